// The capture thread on real threads against the stand-in's scripted endpoint.
#include "capture/capture_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <random>

#include "tests/standin/script/audio_script.h"
#include "tests/standin/script/file_script.h"
#include "tests/standin/script/message_script.h"
#include "state/shared_state.h"
#include "capture/recording_buffer.h"
#include "capture/wav_files.h"
#include "capture/wav_writer.h"
#include "state/utf8.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/thread_creation.h"
#include "tests/support/wait.h"
#include "tests/support/wav_file.h"

namespace {

using namespace std::chrono_literals;
using standin::AudioCall;
using testing_support::freshDirectory;
using testing_support::readBytes;
using testing_support::readWav;
using testing_support::waitUntil;

HWND testWindow() {
    static int window;
    return reinterpret_cast<HWND>(&window);
}

int countPosted(UINT message) {
    int count = 0;
    for (const MSG& msg : standin::postedMessages()) {
        count += msg.message == message ? 1 : 0;
    }
    return count;
}

// Float inputs with the 16-bit samples they must become.
const std::vector<std::pair<float, Sample>> kFloatCases = {
    {0.0f, 0},          {0.5f, 16383}, {-0.5f, -16383}, {1.0f, 32767},
    {-1.0f, -32767},    {1.5f, 32767}, {-3.0f, -32767}, {0.99999f, 32766},
    {std::nanf(""), 0}, {0.25f, 8191}, {-0.25f, -8191}, {3.0517578125e-05f, 0},
};

struct ScriptedInput {
    std::vector<standin::Packet> packets;
    std::vector<std::vector<Sample>> expected;  // per packet, the samples the file must hold
};

// Packets of pseudo-random content in the given layout, every channel its own, and what each must
// be recorded as: the first two channels of every frame, or the only one.
ScriptedInput makeInput(bool isFloat, WORD channels, int packetCount, UINT32 frames,
                        unsigned seed) {
    const unsigned kept = channels < 2 ? 1 : 2;
    std::mt19937 random(seed);
    ScriptedInput input;
    for (int p = 0; p < packetCount; ++p) {
        std::vector<float> values(frames * channels);
        std::vector<Sample> delivered(frames * channels);
        for (std::size_t i = 0; i < delivered.size(); ++i) {
            const auto& [value, sample] = kFloatCases[random() % kFloatCases.size()];
            values[i] = value;
            delivered[i] = isFloat ? sample : static_cast<Sample>(random());
        }
        input.packets.push_back(isFloat ? standin::floatPacket(values, channels)
                                        : standin::pcmPacket(delivered, channels));
        std::vector<Sample> expected;
        for (std::size_t i = 0; i < delivered.size(); ++i) {
            if (i % channels < kept) {
                expected.push_back(delivered[i]);
            }
        }
        input.expected.push_back(expected);
    }
    return input;
}

standin::EndpointScript scriptOf(std::vector<BYTE> format, std::vector<standin::Packet> packets,
                                 std::chrono::microseconds period = 0us) {
    standin::EndpointScript script;
    script.mixFormat = std::move(format);
    script.period = period;
    script.packet = [packets =
                         std::move(packets)](std::size_t i) -> std::optional<standin::Packet> {
        if (i < packets.size()) {
            return packets[i];
        }
        return std::nullopt;
    };
    return script;
}

std::vector<BYTE> floatFormat(WORD channels, DWORD rate = 48000) {
    return standin::mixFormat(WAVE_FORMAT_EXTENSIBLE, channels, rate, 32, &kSubtypeIeeeFloat);
}

class CaptureThread : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = freshDirectory("capture");
        standin::resetMessages();
        g_leftHistory.clear();
        g_blockQueue.clear();
        g_captureOutcome = CaptureOutcome::saved;
        releaseUnsavedRecording();
        useFile(dir_ / "out.wav");
    }
    void TearDown() override {
        testing_support::stopFailingAllocations();
        g_recording = false;
        if (thread_.joinable()) {
            thread_.join();
        }
        g_blockQueue.clear();
        std::filesystem::remove_all(dir_);
    }

    void useFile(const std::filesystem::path& path) {
        file_ = path;
        g_outputPathUtf8 = path.string();
    }

    void start(standin::EndpointScript script) {
        standin::setEndpoint(std::move(script));
        g_recording = true;
        thread_ = std::thread(captureThreadMain, std::wstring(L"unused"), testWindow());
    }

    // Stops once the endpoint has handed out and taken back `packets` packets.
    void stopAfter(std::size_t packets) {
        EXPECT_TRUE(
            waitUntil([&] { return standin::audioRecord().releasedFrames.size() >= packets; }));
        stop();
    }

    void stop() {
        g_recording = false;
        thread_.join();
    }

    // What every run must leave behind, however it ended, releasing these interfaces.
    void expectCleanEnd(const std::vector<std::string>& releases) {
        EXPECT_EQ(standin::audioRecord().releases, releases);
        expectEnded();
    }

    void expectEnded() {
        const standin::AudioRecord record = standin::audioRecord();
        EXPECT_FALSE(g_captureActive);
        EXPECT_FALSE(g_analysisThread.joinable());
        EXPECT_EQ(countPosted(WM_CAPTURE_DONE), 1);
        // The analysis thread posts to the main window (none here), possibly after the end.
        std::vector<MSG> toWindow;
        for (const MSG& msg : standin::postedMessages()) {
            if (msg.hwnd == testWindow()) {
                toWindow.push_back(msg);
            }
        }
        ASSERT_FALSE(toWindow.empty());
        EXPECT_EQ(toWindow.back().message, WM_CAPTURE_DONE);
        EXPECT_EQ(record.extraReleases, 0);
        EXPECT_EQ(record.liveInterfaces, 0);
        EXPECT_EQ(record.mixFormatsFreed, record.mixFormatsAllocated);
        EXPECT_EQ(record.comInitialisations, 1);
        EXPECT_EQ(record.comUninitialisations, 1);
        EXPECT_TRUE(record.comBalancedOnOneThread);
        EXPECT_FALSE(record.packetHeld);
        EXPECT_EQ(record.releaseBufferErrors, 0);
        // Kept awake from the stream's start to the thread's end, whichever way it ended.
        const std::vector<EXECUTION_STATE> awake = {ES_CONTINUOUS | ES_SYSTEM_REQUIRED,
                                                    ES_CONTINUOUS};
        EXPECT_EQ(record.executionStates,
                  record.starts > 0 ? awake : std::vector<EXECUTION_STATE>{});
        EXPECT_TRUE(record.executionStatesOnOneThread);
    }

    std::filesystem::path dir_;
    std::filesystem::path file_;
    std::thread thread_;
};

const std::vector<std::string> kAllReleased = {"captureClient", "audioClient", "device",
                                               "enumerator"};

struct LayoutCase {
    const char* name;
    WORD tag;
    WORD bits;
    const GUID* subFormat;
    WORD deviceChannels;
    DWORD rate;
};

class RecordsEverySample : public CaptureThread,
                           public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(RecordsEverySample, FileHoldsTheDeliveredPacketsConverted) {
    const LayoutCase& c = GetParam();
    const bool isFloat = c.bits == 32;
    const WORD recorded = c.deviceChannels < 2 ? 1 : 2;
    const ScriptedInput input = makeInput(isFloat, c.deviceChannels, 40, 480, c.deviceChannels);
    const std::vector<BYTE> format =
        standin::mixFormat(c.tag, c.deviceChannels, c.rate, c.bits, c.subFormat);
    start(scriptOf(format, input.packets));
    stopAfter(input.packets.size());

    std::vector<Sample> expected;
    for (const auto& packet : input.expected) {
        expected.insert(expected.end(), packet.begin(), packet.end());
    }
    const auto wav = readWav(file_);
    EXPECT_EQ(wav.channels, recorded);
    EXPECT_EQ(wav.sampleRate, c.rate);
    EXPECT_EQ(wav.byteRate, c.rate * recorded * 2);
    EXPECT_EQ(wav.samples, expected);
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::saved);
    EXPECT_EQ(g_sampleRate, static_cast<std::int32_t>(c.rate));

    // The stream got the device's own format, every field as the device gave it.
    const standin::AudioRecord record = standin::audioRecord();
    ASSERT_TRUE(record.initializedFormat);
    EXPECT_EQ(*record.initializedFormat, format);
    EXPECT_EQ(record.bufferDuration, 10'000'000);
    EXPECT_EQ(record.starts, 1);
    EXPECT_EQ(record.stops, 1);

    const auto posted = standin::postedMessages();
    EXPECT_EQ(countPosted(WM_CAPTURE_STARTED), 1);
    EXPECT_EQ(posted.front().message, WM_CAPTURE_STARTED);
    EXPECT_GE(countPosted(WM_SPECTRUM_READY), 1);
    expectCleanEnd(kAllReleased);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, RecordsEverySample,
    ::testing::Values(
        LayoutCase{"FloatMono48k", WAVE_FORMAT_IEEE_FLOAT, 32, nullptr, 1, 48000},
        LayoutCase{"FloatExtensibleStereo44k", WAVE_FORMAT_EXTENSIBLE, 32, &kSubtypeIeeeFloat, 2,
                   44100},
        LayoutCase{"FloatThreeChannels", WAVE_FORMAT_IEEE_FLOAT, 32, nullptr, 3, 48000},
        LayoutCase{"FloatExtensibleFourChannels", WAVE_FORMAT_EXTENSIBLE, 32, &kSubtypeIeeeFloat, 4,
                   44100},
        LayoutCase{"FloatExtensibleSixChannels", WAVE_FORMAT_EXTENSIBLE, 32, &kSubtypeIeeeFloat, 6,
                   48000},
        LayoutCase{"FloatExtensibleEightChannels", WAVE_FORMAT_EXTENSIBLE, 32, &kSubtypeIeeeFloat,
                   8, 96000},
        LayoutCase{"PcmMono16k", WAVE_FORMAT_PCM, 16, nullptr, 1, 16000},
        LayoutCase{"PcmExtensibleStereo48k", WAVE_FORMAT_EXTENSIBLE, 16, &kSubtypePcm, 2, 48000},
        LayoutCase{"PcmThreeChannels", WAVE_FORMAT_PCM, 16, nullptr, 3, 32000},
        LayoutCase{"PcmExtensibleFourChannels", WAVE_FORMAT_EXTENSIBLE, 16, &kSubtypePcm, 4, 48000},
        LayoutCase{"PcmExtensibleSixChannels", WAVE_FORMAT_EXTENSIBLE, 16, &kSubtypePcm, 6, 96000},
        LayoutCase{"PcmExtensibleEightChannels", WAVE_FORMAT_EXTENSIBLE, 16, &kSubtypePcm, 8,
                   44100}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(CaptureThread, SilentPacketsAreRecordedAsZeros) {
    standin::Packet loud =
        standin::floatPacket(std::vector<float>(960, 0.5f), 2, AUDCLNT_BUFFERFLAGS_SILENT);
    standin::Packet normal = standin::floatPacket(std::vector<float>(960, 0.5f), 2);
    start(scriptOf(floatFormat(2), {loud, normal}));
    stopAfter(2);
    std::vector<Sample> expected(960, 0);
    expected.resize(1920, 16383);
    EXPECT_EQ(readWav(file_).samples, expected);
    expectCleanEnd(kAllReleased);
}

class DisplayData : public CaptureThread, public ::testing::WithParamInterface<WORD> {};

TEST_P(DisplayData, HistoryLevelAndBlocksComeFromTheFirstTwoChannels) {
    // First channel a ramp, second channel +-16384, so the level is exactly
    // (rms(ramp) + 0.5) / 2 ... and for the last packet (first channel silent) exactly 0.25.
    // Further channels at full scale would change both if they were mixed in.
    const WORD channels = GetParam();
    std::vector<standin::Packet> packets;
    std::vector<Sample> firstChannel;
    for (int p = 0; p < 150; ++p) {
        std::vector<Sample> interleaved;
        for (int f = 0; f < 480; ++f) {
            const auto first = static_cast<Sample>(p == 149 ? 0 : (p * 480 + f) % 30000);
            firstChannel.push_back(first);
            interleaved.push_back(first);
            interleaved.push_back(static_cast<Sample>(f % 2 == 0 ? 16384 : -16384));
            interleaved.insert(interleaved.end(), channels - 2u, Sample{32767});
        }
        packets.push_back(standin::pcmPacket(interleaved, channels));
    }
    g_lastBlockTime = std::chrono::steady_clock::now() - 1s;
    start(scriptOf(standin::mixFormat(WAVE_FORMAT_PCM, channels, 48000, 16), packets));
    stopAfter(packets.size());

    EXPECT_EQ(g_level, 0.25f);
    const std::vector<Sample> newest(firstChannel.end() - kHistoryLength, firstChannel.end());
    EXPECT_EQ(g_leftHistory, newest);
    // The analysis thread may have taken blocks; each one queued is 65,536 consecutive samples of
    // the first channel.
    std::lock_guard lock(g_queueMutex);
    for (const SampleBlock& block : g_blockQueue) {
        EXPECT_EQ(block.size(), kBlockLength);
        EXPECT_NE(std::search(firstChannel.begin(), firstChannel.end(), block.begin(), block.end()),
                  firstChannel.end());
    }
}

INSTANTIATE_TEST_SUITE_P(DeviceChannels, DisplayData, ::testing::Values(2, 3, 8));

TEST_F(CaptureThread, ZeroFramePacketIsReleasedButChangesNothing) {
    standin::Packet empty;
    empty.announcedFrames = 480;  // announced, then delivered empty
    const ScriptedInput input = makeInput(true, 1, 2, 480, 7);
    g_level = 0.125f;
    start(scriptOf(floatFormat(1), {empty, input.packets[0], empty, input.packets[1]}));
    stopAfter(4);
    const auto record = standin::audioRecord();
    EXPECT_EQ(record.releasedFrames, (std::vector<UINT32>{0, 480, 0, 480}));
    std::vector<Sample> expected = input.expected[0];
    expected.insert(expected.end(), input.expected[1].begin(), input.expected[1].end());
    EXPECT_EQ(readWav(file_).samples, expected);
    expectCleanEnd(kAllReleased);
}

TEST_F(CaptureThread, StopBeforeTheLoopStillAnnouncesAndWritesAnEmptyFile) {
    standin::setEndpoint(scriptOf(floatFormat(2), makeInput(true, 2, 5, 480, 1).packets));
    g_recording = false;
    captureThreadMain(L"unused", testWindow());
    const auto posted = standin::postedMessages();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].message, WM_CAPTURE_STARTED);
    EXPECT_EQ(posted[1].message, WM_CAPTURE_DONE);
    EXPECT_EQ(readBytes(file_).size(), 44u);
    EXPECT_TRUE(standin::audioRecord().delivered.empty());
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::saved);
    expectCleanEnd(kAllReleased);
}

TEST_F(CaptureThread, StopTakesNoFurtherPacketAndKeepsEveryPacketTaken) {
    // An endless paced source: Stop lands in the middle of a stream of packets.
    standin::EndpointScript script;
    script.mixFormat = floatFormat(1);
    script.period = 2ms;
    script.packet = [](std::size_t i) -> std::optional<standin::Packet> {
        std::vector<float> values(96);
        for (std::size_t f = 0; f < values.size(); ++f) {
            values[f] = static_cast<float>((i * 96 + f) % 1000) / 2000.0f;
        }
        return standin::floatPacket(values, 1);
    };
    start(script);
    stopAfter(25);
    const auto record = standin::audioRecord();
    const auto wav = readWav(file_);
    ASSERT_EQ(wav.samples.size(), record.delivered.size() * 96);
    for (std::size_t n = 0; n < wav.samples.size(); ++n) {
        ASSERT_EQ(wav.samples[n],
                  static_cast<Sample>(static_cast<float>(n % 1000) / 2000.0f * 32767.0f))
            << n;
    }
    EXPECT_EQ(record.releasedFrames.size(), record.delivered.size());
    expectCleanEnd(kAllReleased);
}

TEST_F(CaptureThread, GetBufferFailingBrieflyWaitsAndPollsAgain) {
    const ScriptedInput input = makeInput(true, 1, 3, 480, 5);
    standin::setEndpoint(scriptOf(floatFormat(1), input.packets));
    standin::failCall(AudioCall::getBuffer, E_FAIL, 2);
    standin::failCall(AudioCall::getBuffer, E_FAIL, 3);
    g_recording = true;
    thread_ = std::thread(captureThreadMain, std::wstring(L"unused"), testWindow());
    stopAfter(3);
    EXPECT_EQ(readWav(file_).samples.size(), 3u * 480u);
    EXPECT_EQ(g_captureEnd, CaptureEnd::stopped);
    expectCleanEnd(kAllReleased);
}

// The samples fed in, packet after packet.
std::vector<Sample> joined(const ScriptedInput& input) {
    std::vector<Sample> samples;
    for (const auto& packet : input.expected) {
        samples.insert(samples.end(), packet.begin(), packet.end());
    }
    return samples;
}

// The first three packets of a 48 kHz stereo endpoint, then an outage of 1.2 s.
standin::EndpointScript goesAway(const ScriptedInput& before, const ScriptedInput& after,
                                 standin::Outage outage) {
    standin::EndpointScript script = scriptOf(floatFormat(2), {});
    script.packet = [before, after](std::size_t i) -> std::optional<standin::Packet> {
        if (i < before.packets.size()) {
            return before.packets[i];
        }
        if (i - before.packets.size() < after.packets.size()) {
            return after.packets[i - before.packets.size()];
        }
        return std::nullopt;
    };
    outage.afterPackets = before.packets.size();
    script.outage = std::move(outage);
    return script;
}

struct Comeback {
    const char* name;
    HRESULT streamResult;  // from the failing stream; S_OK: it just has nothing
    AudioCall failingOpen;
    HRESULT openResult;
    DWORD returnRate;
    bool convertsPcm;
    DWORD flags;        // of the stream that takes over
    bool keptInMemory;  // the file fails: saved elsewhere after Stop
};

class MicrophoneComesBack : public CaptureThread, public ::testing::WithParamInterface<Comeback> {};

TEST_P(MicrophoneComesBack, TheRecordingGoesOnAfterOneGap) {
    const Comeback& c = GetParam();
    // Where the system converts, the stream delivers 16-bit PCM of the recording's format.
    const DWORD rate = c.flags != 0 ? 48000 : c.returnRate;
    const ScriptedInput before = makeInput(true, 2, 3, 480, 41);
    const ScriptedInput after = makeInput(c.flags == 0, 2, 4, 480, 42);
    standin::EndpointScript script = goesAway(before, after,
                                              {.streamResult = c.streamResult,
                                               .lasts = 1200ms,
                                               .failingOpen = c.failingOpen,
                                               .openResult = c.openResult,
                                               .returnFormat = floatFormat(2, c.returnRate)});
    script.convertsPcm = c.convertsPcm;
    if (c.keptInMemory) {
        useFile("/dev/full");
    }
    start(std::move(script));
    EXPECT_TRUE(waitUntil([] { return g_waitingForMicrophone.load(); }));
    stopAfter(7);
    expectEnded();
    if (c.keptInMemory) {
        EXPECT_EQ(g_captureOutcome, CaptureOutcome::fileNotWritten);
        useFile(dir_ / "out.wav");
        std::thread(saveRecordingThreadMain, testWindow()).join();
    }

    EXPECT_FALSE(g_waitingForMicrophone);
    EXPECT_EQ(g_gapCount, 1u);
    EXPECT_EQ(g_captureEnd, CaptureEnd::stopped);
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::saved);
    EXPECT_EQ(g_sampleRate, static_cast<std::int32_t>(rate));
    const standin::AudioRecord record = standin::audioRecord();
    EXPECT_EQ(record.streamFlags, c.flags);
    const auto first = readWav(file_);
    EXPECT_EQ(first.sampleRate, 48000u);
    std::vector<Sample> expected = joined(before);
    if (rate == 48000) {
        const std::vector<Sample> rest = joined(after);
        expected.insert(expected.end(), rest.begin(), rest.end());
    } else {
        const auto second = readWav(dir_ / "out (2).wav");
        EXPECT_EQ(second.channels, 2);
        EXPECT_EQ(second.sampleRate, rate);
        EXPECT_EQ(second.byteRate, rate * 4);
        EXPECT_EQ(second.samples, joined(after));
    }
    EXPECT_EQ(first.samples, expected);
    EXPECT_EQ(g_fileCount, rate == 48000 ? 1u : 2u);
    // The failed stream and the one that took over were each released whole.
    ASSERT_GE(record.releases.size(), 2 * kAllReleased.size());
    EXPECT_TRUE(std::equal(kAllReleased.begin(), kAllReleased.end(), record.releases.begin()));
    EXPECT_TRUE(std::equal(kAllReleased.rbegin(), kAllReleased.rend(), record.releases.rbegin()));
}

constexpr HRESULT kGoneResult = AUDCLNT_E_DEVICE_INVALIDATED;
constexpr HRESULT kCreateFailed = AUDCLNT_E_ENDPOINT_CREATE_FAILED;
constexpr DWORD kConversion =
    AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;

INSTANTIATE_TEST_SUITE_P(
    InvalidatedOrSilent, MicrophoneComesBack,
    ::testing::Values(Comeback{"Invalidated", kGoneResult, AudioCall::getDefaultAudioEndpoint,
                               E_NOTFOUND, 48000, true, 0, false},
                      Comeback{"Silent", S_OK, AudioCall::initialize, kCreateFailed, 48000, true, 0,
                               false},
                      Comeback{"AtAnotherRateConverted", kGoneResult, AudioCall::initialize,
                               kCreateFailed, 44100, true, kConversion, false},
                      Comeback{"AtAnotherRateInTheNextFile", kGoneResult, AudioCall::initialize,
                               kCreateFailed, 44100, false, 0, false},
                      // Saved elsewhere after Stop, what memory kept is split the same way.
                      Comeback{"AtAnotherRateKeptInMemory", kGoneResult, AudioCall::initialize,
                               kCreateFailed, 44100, false, 0, true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(CaptureThread, StopWhileWaitingForTheMicrophoneSavesWhatWasRecordedAtOnce) {
    const ScriptedInput before = makeInput(true, 2, 3, 480, 43);
    start(goesAway(before, {},
                   {.streamResult = AUDCLNT_E_DEVICE_INVALIDATED,
                    .lasts = 1h,
                    .failingOpen = AudioCall::coCreateInstance,
                    .openResult = E_FAIL,
                    .returnFormat = {}}));
    ASSERT_TRUE(waitUntil([] { return g_waitingForMicrophone.load(); }));
    const auto stopped = std::chrono::steady_clock::now();
    stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 500ms);
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::saved);
    EXPECT_EQ(g_captureEnd, CaptureEnd::stopped);
    EXPECT_EQ(g_gapCount, 1u);
    EXPECT_EQ(readWav(file_).samples, joined(before));
    expectCleanEnd(kAllReleased);
}

TEST_F(CaptureThread, CountsReportedGapsButNotTheFirstPacketsFlag) {
    ScriptedInput input = makeInput(false, 2, 6, 480, 8);
    for (const std::size_t p : {0, 2, 3, 5}) {
        input.packets[p].flags = AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY;
    }
    start(scriptOf(standin::mixFormat(WAVE_FORMAT_PCM, 2, 48000, 16), input.packets, 20ms));
    EXPECT_TRUE(waitUntil([] { return g_gapCount == 1; }));
    stopAfter(input.packets.size());
    EXPECT_EQ(g_gapCount, 3u);
    // Samples are recorded as delivered, gaps or not.
    std::vector<Sample> expected;
    for (const auto& packet : input.expected) {
        expected.insert(expected.end(), packet.begin(), packet.end());
    }
    EXPECT_EQ(readWav(file_).samples, expected);
    expectCleanEnd(kAllReleased);

    // A new recording counts from zero.
    start(scriptOf(floatFormat(1), makeInput(true, 1, 2, 480, 1).packets));
    stopAfter(2);
    EXPECT_EQ(g_gapCount, 0u);
}

TEST_F(CaptureThread, TellsTheWindowAtAScreensPaceButOfAGapAtOnce) {
    // Packets that are all there at once: the window hears of the first, of the gap at once, of
    // at most one more every 1/60 s, and soon of the last, though no packet follows it.
    constexpr std::size_t kPackets = 200;
    constexpr std::size_t kGapAt = 100;
    ScriptedInput input = makeInput(false, 1, kPackets, 48, 9);
    input.packets[kGapAt].flags = AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY;
    // Packet i is asked for once packet i - 1 has been taken: what was posted by then.
    struct Seen {
        std::mutex mutex;
        std::vector<int> postedBefore;
    };
    const auto seen = std::make_shared<Seen>();
    standin::EndpointScript script =
        scriptOf(standin::mixFormat(WAVE_FORMAT_PCM, 1, 48000, 16), {});
    script.packet = [packets = input.packets,
                     seen](std::size_t i) -> std::optional<standin::Packet> {
        std::lock_guard lock(seen->mutex);
        seen->postedBefore.push_back(countPosted(WM_SPECTRUM_READY));
        return i < packets.size() ? std::optional(packets[i]) : std::nullopt;
    };
    const auto began = std::chrono::steady_clock::now();
    start(std::move(script));
    const auto allTaken = [&] {
        std::lock_guard lock(seen->mutex);
        return seen->postedBefore.size() > kPackets;
    };
    ASSERT_TRUE(waitUntil(allTaken));
    const auto took = std::chrono::steady_clock::now() - began;
    const std::vector<int> posted = [&] {
        std::lock_guard lock(seen->mutex);
        return seen->postedBefore;
    }();
    EXPECT_EQ(posted[1] - posted[0], 1) << "the first packet";
    EXPECT_EQ(posted[kGapAt + 1] - posted[kGapAt], 1) << "the gap";
    const auto frames = static_cast<int>(took / std::chrono::microseconds(16'667));
    EXPECT_LE(posted[kPackets], 2 + frames) << "in " << frames << " frames of a 60 Hz screen";
    if (posted[kPackets] == posted[kPackets - 1]) {
        EXPECT_TRUE(waitUntil([&] { return countPosted(WM_SPECTRUM_READY) > posted[kPackets]; }))
            << "the last packet";
    }
    stop();
    expectCleanEnd(kAllReleased);
}

// A failing set-up step leaves to release what the steps before it obtained.
std::vector<std::string> releasedAfterFailing(AudioCall call) {
    switch (call) {
        case AudioCall::coCreateInstance:
            return {};
        case AudioCall::getDefaultAudioEndpoint:
            return {"enumerator"};
        case AudioCall::activate:
            return {"device", "enumerator"};
        case AudioCall::start:
            return kAllReleased;
        default:
            return {"audioClient", "device", "enumerator"};
    }
}

struct SetupFailure {
    const char* name;
    AudioCall call;
    HRESULT result;
    CaptureOutcome outcome;
};

class AudioSetupFailure : public CaptureThread,
                          public ::testing::WithParamInterface<SetupFailure> {};

TEST_P(AudioSetupFailure, NamesTheCauseEndsCleanlyAndLeavesTheFileAlone) {
    std::ofstream(file_, std::ios::binary) << "an earlier recording";
    standin::setEndpoint(scriptOf(floatFormat(2), makeInput(true, 2, 3, 480, 1).packets));
    standin::failCall(GetParam().call, GetParam().result);
    g_recording = true;
    captureThreadMain(L"unused", testWindow());

    EXPECT_EQ(countPosted(WM_CAPTURE_STARTED), 0);
    EXPECT_EQ(standin::postedMessages().size(), 1u);
    EXPECT_EQ(g_captureOutcome, GetParam().outcome);
    const auto bytes = readBytes(file_);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "an earlier recording");
    EXPECT_EQ(standin::audioRecord().stops, 0);
    expectCleanEnd(releasedAfterFailing(GetParam().call));
}

// Each cause at every step whose documentation lists it, E_ACCESSDENIED (the privacy setting's
// denial) and a result without a cause of its own at any step.
constexpr AudioCall kCreate = AudioCall::coCreateInstance;
constexpr AudioCall kEndpoint = AudioCall::getDefaultAudioEndpoint;
constexpr AudioCall kActivate = AudioCall::activate;
constexpr AudioCall kMixFormat = AudioCall::getMixFormat;
constexpr AudioCall kInitialize = AudioCall::initialize;
constexpr AudioCall kService = AudioCall::getService;
constexpr AudioCall kStart = AudioCall::start;
constexpr CaptureOutcome kUnavailable = CaptureOutcome::microphoneUnavailable;
constexpr CaptureOutcome kDenied = CaptureOutcome::microphoneAccessDenied;
constexpr CaptureOutcome kGone = CaptureOutcome::microphoneDisconnected;
constexpr CaptureOutcome kNoService = CaptureOutcome::audioServiceNotRunning;

INSTANTIATE_TEST_SUITE_P(
    EachStepAndCause, AudioSetupFailure,
    ::testing::Values(
        SetupFailure{"CreateFails", kCreate, E_FAIL, kUnavailable},
        SetupFailure{"CreateDenied", kCreate, E_ACCESSDENIED, kDenied},
        SetupFailure{"EndpointFails", kEndpoint, E_FAIL, kUnavailable},
        SetupFailure{"EndpointDenied", kEndpoint, E_ACCESSDENIED, kDenied},
        SetupFailure{"EndpointNotFound", kEndpoint, E_NOTFOUND, CaptureOutcome::noMicrophone},
        SetupFailure{"ActivateFails", kActivate, E_FAIL, kUnavailable},
        SetupFailure{"ActivateDenied", kActivate, E_ACCESSDENIED, kDenied},
        // Only the endpoint's absence is a missing microphone.
        SetupFailure{"ActivateNotFound", kActivate, E_NOTFOUND, kUnavailable},
        SetupFailure{"ActivateInvalidated", kActivate, AUDCLNT_E_DEVICE_INVALIDATED, kGone},
        SetupFailure{"MixFormatFails", kMixFormat, E_FAIL, kUnavailable},
        SetupFailure{"MixFormatDenied", kMixFormat, E_ACCESSDENIED, kDenied},
        SetupFailure{"MixFormatInvalidated", kMixFormat, AUDCLNT_E_DEVICE_INVALIDATED, kGone},
        SetupFailure{"MixFormatNoService", kMixFormat, AUDCLNT_E_SERVICE_NOT_RUNNING, kNoService},
        SetupFailure{"InitializeFails", kInitialize, E_FAIL, kUnavailable},
        SetupFailure{"InitializeDenied", kInitialize, E_ACCESSDENIED, kDenied},
        SetupFailure{"InitializeInUse", kInitialize, AUDCLNT_E_DEVICE_IN_USE,
                     CaptureOutcome::microphoneInUse},
        SetupFailure{"InitializeInvalidated", kInitialize, AUDCLNT_E_DEVICE_INVALIDATED, kGone},
        SetupFailure{"InitializeNoService", kInitialize, AUDCLNT_E_SERVICE_NOT_RUNNING, kNoService},
        SetupFailure{"ServiceFails", kService, E_FAIL, kUnavailable},
        SetupFailure{"ServiceDenied", kService, E_ACCESSDENIED, kDenied},
        SetupFailure{"ServiceInvalidated", kService, AUDCLNT_E_DEVICE_INVALIDATED, kGone},
        SetupFailure{"ServiceNoService", kService, AUDCLNT_E_SERVICE_NOT_RUNNING, kNoService},
        SetupFailure{"StartFails", kStart, E_FAIL, kUnavailable},
        SetupFailure{"StartDenied", kStart, E_ACCESSDENIED, kDenied},
        SetupFailure{"StartInvalidated", kStart, AUDCLNT_E_DEVICE_INVALIDATED, kGone},
        SetupFailure{"StartNoService", kStart, AUDCLNT_E_SERVICE_NOT_RUNNING, kNoService}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(CaptureThread, UnsupportedLayoutIsRefusedBeforeAnythingOpens) {
    useFile(dir_ / "never.wav");
    standin::setEndpoint(scriptOf(standin::mixFormat(WAVE_FORMAT_PCM, 2, 48000, 24),
                                  {standin::pcmPacket(std::vector<Sample>(960, 1), 2)}));
    g_recording = true;
    captureThreadMain(L"unused", testWindow());
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::unsupportedFormat);
    EXPECT_FALSE(std::filesystem::exists(file_));
    EXPECT_FALSE(standin::audioRecord().initializedFormat.has_value());
    EXPECT_TRUE(standin::audioRecord().delivered.empty());
    EXPECT_EQ(countPosted(WM_CAPTURE_STARTED), 0);
    expectCleanEnd({"audioClient", "device", "enumerator"});
}

TEST_F(CaptureThread, FileThatCannotBeCreatedStopsTheAnalysisAndReleasesWithoutStop) {
    useFile(dir_ / "missing folder" / "out.wav");
    standin::setEndpoint(scriptOf(floatFormat(1), makeInput(true, 1, 3, 480, 1).packets));
    g_recording = true;
    captureThreadMain(L"unused", testWindow());
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::fileNotCreated);
    EXPECT_EQ(countPosted(WM_CAPTURE_STARTED), 0);
    EXPECT_FALSE(g_analysisRunning);
    EXPECT_EQ(standin::audioRecord().stops, 0);
    EXPECT_TRUE(standin::audioRecord().delivered.empty());
    expectCleanEnd(kAllReleased);
}

TEST_F(CaptureThread, FailedWriteKeepsTheRecordingUntilItIsSavedElsewhere) {
    useFile("/dev/full");
    const ScriptedInput input = makeInput(false, 2, 10, 480, 9);
    start(scriptOf(standin::mixFormat(WAVE_FORMAT_PCM, 2, 44100, 16), input.packets));
    stopAfter(10);
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::fileNotWritten);
    expectCleanEnd(kAllReleased);
    std::vector<Sample> expected;
    for (const auto& packet : input.expected) {
        expected.insert(expected.end(), packet.begin(), packet.end());
    }
    ASSERT_TRUE(g_unsavedRecording);
    EXPECT_EQ(g_unsavedRecording->files.channels, 2);
    EXPECT_EQ(g_unsavedRecording->files.sampleRate, 44100u);
    const Sample* kept = g_unsavedRecording->samples.chunks.front().data();

    // Another place that fails too: still kept, in the same memory.
    standin::resetMessages();
    useFile(dir_ / "missing folder" / "again.wav");
    std::thread(saveRecordingThreadMain, testWindow()).join();
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::fileNotWritten);
    ASSERT_TRUE(g_unsavedRecording);
    EXPECT_EQ(g_unsavedRecording->samples.chunks.front().data(), kept);
    EXPECT_EQ(countPosted(WM_CAPTURE_DONE), 1);
    EXPECT_FALSE(g_captureActive);

    // A good place: written whole.
    useFile(dir_ / "saved.wav");
    std::thread(saveRecordingThreadMain, testWindow()).join();
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::saved);
    EXPECT_EQ(countPosted(WM_CAPTURE_DONE), 2);
    const auto wav = readWav(file_);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.sampleRate, 44100u);
    EXPECT_EQ(wav.samples, expected);
}

TEST_F(CaptureThread, AnalysisThreadThatCannotStartEndsTheRecordingCleanly) {
    useFile(dir_ / "never.wav");
    standin::setEndpoint(scriptOf(floatFormat(1), makeInput(true, 1, 3, 480, 1).packets));
    g_recording = true;
    testing_support::failThreadCreation(
        2);  // the capture thread starts; its analysis thread does not
    thread_ = std::thread(captureThreadMain, std::wstring(L"unused"), testWindow());
    thread_.join();
    EXPECT_EQ(testing_support::creationsUntilFailure(), 0);
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::microphoneUnavailable);
    EXPECT_FALSE(std::filesystem::exists(file_));
    EXPECT_FALSE(g_analysisRunning);
    EXPECT_EQ(countPosted(WM_CAPTURE_STARTED), 0);
    expectCleanEnd(kAllReleased);
}

TEST_F(CaptureThread, CreatesTheFileUnderItsExactNonAsciiName) {
    // "é-日本-🎵.wav", with the note outside the Basic Multilingual Plane.
    std::wstring name = L"\u00e9-\u65e5\u672c-";
    if constexpr (sizeof(wchar_t) == 2) {
        name += static_cast<wchar_t>(0xD83C);
        name += static_cast<wchar_t>(0xDFB5);
    } else {
        name += static_cast<wchar_t>(0x1F3B5);
    }
    name += L".wav";
    g_outputPathUtf8 = dir_.string() + "/" + utf8FromWide(name);
    start(scriptOf(floatFormat(1), makeInput(true, 1, 2, 480, 1).packets));
    stopAfter(2);
    const std::string expectedName = "\xC3\xA9-\xE6\x97\xA5\xE6\x9C\xAC-\xF0\x9F\x8E\xB5.wav";
    EXPECT_EQ(readBytes(dir_ / expectedName).size(), 44u + 2 * 480 * 2);
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::saved);
}

TEST_F(CaptureThread, RunningOutOfMemoryEndsTheRecordingAndSavesWhatItHolds) {
    // Stereo 10 ms packets: the first chunk of the recording fills up within a packet, and the
    // next chunk cannot be had.
    const ScriptedInput input = makeInput(false, 2, 1200, 480, 11);
    testing_support::failAllocations(kRecordingChunkSamples * sizeof(Sample),
                                     kRecordingChunkSamples * sizeof(Sample), 1);
    standin::setEndpoint(
        scriptOf(standin::mixFormat(WAVE_FORMAT_PCM, 2, 48000, 16), input.packets));
    g_recording = true;
    captureThreadMain(L"unused", testWindow());
    testing_support::stopFailingAllocations();
    EXPECT_GE(testing_support::refusedAllocations(), 1);

    std::vector<Sample> expected;
    for (const auto& packet : input.expected) {
        expected.insert(expected.end(), packet.begin(), packet.end());
    }
    expected.resize(kRecordingChunkSamples);
    EXPECT_EQ(readWav(file_).samples, expected);
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::saved);
    EXPECT_EQ(g_captureEnd, CaptureEnd::outOfMemory);
    EXPECT_EQ(standin::audioRecord().delivered.size(), kRecordingChunkSamples / 960 + 1);
    expectCleanEnd(kAllReleased);
}

TEST_F(CaptureThread, ARecordingThatCannotHaveItsMemoryEndsBeforeAnythingOpens) {
    // What a recording kept after its file failed needs is made at the start, where failing ends
    // nothing but this recording; from then on keeping it allocates nothing.
    standin::setEndpoint(scriptOf(floatFormat(1), makeInput(true, 1, 3, 480, 1).packets));
    g_recording = true;
    thread_ = std::thread([] {
        testing_support::failAllocations(sizeof(Recording), sizeof(Recording), 0,
                                         std::this_thread::get_id());
        captureThreadMain(L"unused", testWindow());
    });
    thread_.join();
    testing_support::stopFailingAllocations();
    EXPECT_EQ(testing_support::refusedAllocations(), 1);
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::outOfMemory);
    EXPECT_FALSE(std::filesystem::exists(file_));
    EXPECT_EQ(countPosted(WM_CAPTURE_STARTED), 0);
    expectCleanEnd({});
}

TEST_F(CaptureThread, DisplayAndAnalysisShortOfMemorySkipBlocksAndTheRecordingGoesOn) {
    // Sizes of the history's growth beyond 100 KiB, of a block and of the published spectrum,
    // but not the recording's chunks. Memory the analysis keeps from earlier blocks is released.
    std::vector<Sample>().swap(g_leftHistory);
    {
        std::lock_guard lock(g_spectrumMutex);
        std::vector<float>().swap(g_spectrum);
    }
    g_blockQueue.emplace_back(kBlockLength, Sample{1000});
    g_lastBlockTime = std::chrono::steady_clock::now() - 1s;
    const ScriptedInput input = makeInput(false, 1, 300, 480, 12);
    testing_support::failAllocations(100 * 1024, kRecordingChunkSamples);
    start(scriptOf(standin::mixFormat(WAVE_FORMAT_PCM, 1, 48000, 16), input.packets));
    stopAfter(input.packets.size());
    EXPECT_GT(testing_support::refusedAllocations(), 0);
    testing_support::stopFailingAllocations();

    std::vector<Sample> expected;
    for (const auto& packet : input.expected) {
        expected.insert(expected.end(), packet.begin(), packet.end());
    }
    EXPECT_EQ(readWav(file_).samples, expected);
    EXPECT_EQ(g_captureEnd, CaptureEnd::stopped);
    EXPECT_LT(g_leftHistory.size(), kHistoryLength);
    std::lock_guard lock(g_spectrumMutex);
    EXPECT_TRUE(g_spectrum.empty());
    expectCleanEnd(kAllReleased);
}

}  // namespace

// The file while it is being recorded: what a reader, a crash or a power cut finds in it.
class FileWhileRecording : public CaptureThread {
  protected:
    static constexpr WORD kChannels = 2;
    static constexpr std::size_t kSamplesPerSecond = 48000 * kChannels;

    void SetUp() override {
        CaptureThread::SetUp();
        standin::setFileScript({});
    }
    void TearDown() override {
        CaptureThread::TearDown();
        standin::setFileScript({});
    }

    // Stereo 16-bit packets of 10 ms at a device's pace, lost when not taken within a second.
    void startPaced(int packets) {
        input_ = makeInput(false, kChannels, packets, 480, 21);
        start(scriptOf(standin::mixFormat(WAVE_FORMAT_PCM, kChannels, 48000, 16), input_.packets,
                       10ms));
    }

    std::vector<Sample> delivered() const {
        std::vector<Sample> samples;
        for (const standin::Packet& packet : standin::audioRecord().delivered) {
            const auto* data = reinterpret_cast<const Sample*>(packet.data.data());
            samples.insert(samples.end(), data, data + packet.frames * kChannels);
        }
        return samples;
    }

    // The file as a reader finds it at this moment: its header describes whole frames that the
    // file holds, and those are the first samples delivered. Returns the samples described.
    std::size_t expectConsistent() const {
        const std::vector<unsigned char> bytes = readBytes(file_);
        const std::vector<Sample> deliveredSoFar = delivered();
        if (bytes.size() < kWavHeaderSize) {
            ADD_FAILURE() << "a file of " << bytes.size() << " bytes";
            return 0;
        }
        const auto field32 = [&bytes](std::size_t at) {
            return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
                   std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
        };
        const std::uint32_t dataSize = field32(40);
        const std::size_t described = dataSize / sizeof(Sample);
        // Every field but the sizes is final from the start, and the sizes agree.
        const auto header = wavHeader(described, kChannels, 48000);
        EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
        EXPECT_EQ(dataSize % (2 * kChannels), 0u);
        const std::size_t held = (bytes.size() - kWavHeaderSize) / sizeof(Sample);
        EXPECT_LE(described, held) << "the header describes more than the file holds";
        EXPECT_LE(described, deliveredSoFar.size());
        std::vector<Sample> samples(std::min({described, held, deliveredSoFar.size()}));
        if (!samples.empty()) {
            std::memcpy(samples.data(), bytes.data() + kWavHeaderSize,
                        samples.size() * sizeof(Sample));
        }
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), deliveredSoFar.begin()));
        return described;
    }

    ScriptedInput input_;
};

TEST_F(FileWhileRecording, IsAlwaysAWholeWavFileOfWhatWasCapturedAndEndsAsTheOnePassOne) {
    startPaced(300);
    ASSERT_TRUE(standin::waitForPosted(WM_CAPTURE_STARTED, 5s));
    std::size_t lastDescribed = 0;
    while (standin::audioRecord().releasedFrames.size() < 250) {
        const std::vector<Sample> before = delivered();
        const std::size_t described = expectConsistent();
        EXPECT_GE(described + kSamplesPerSecond, before.size()) << "more than a second behind";
        EXPECT_GE(described, lastDescribed);
        lastDescribed = described;
        std::this_thread::sleep_for(30ms);
    }
    EXPECT_GT(lastDescribed, 0u);
    // 2.5 s in: flushed to the device once already.
    EXPECT_GE(standin::fileRecord().flushes.size(), 1u);
    stop();
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::saved);
    EXPECT_EQ(standin::fileRecord().openHandles, 0);

    // The header of the whole recording, then every sample, as a file written in one pass.
    const std::vector<Sample> samples = delivered();
    const auto header = wavHeader(samples.size(), kChannels, 48000);
    std::vector<unsigned char> onePass(header.begin(), header.end());
    const auto* bytes = reinterpret_cast<const unsigned char*>(samples.data());
    onePass.insert(onePass.end(), bytes, bytes + samples.size() * sizeof(Sample));
    EXPECT_EQ(readBytes(file_), onePass);
    expectCleanEnd(kAllReleased);
}

TEST_F(FileWhileRecording, AWriteThatTakesThreeSecondsLosesNoSampleAndAddsNoGap) {
    // The first write of samples, after the header's.
    standin::setFileScript({.capacity = std::nullopt, .slowWrite = 2, .slowWriteTakes = 3s});
    startPaced(450);
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(std::filesystem::file_size(file_), kWavHeaderSize) << "the write is still held";
    stopAfter(450);
    const standin::AudioRecord record = standin::audioRecord();
    EXPECT_EQ(record.lostPackets, 0);
    EXPECT_EQ(g_gapCount, 0u);
    for (const standin::Packet& packet : record.delivered) {
        EXPECT_EQ(packet.flags & AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY, 0u);
    }
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::saved);
    EXPECT_EQ(readWav(file_).samples, delivered());
    EXPECT_EQ(record.delivered.size(), 450u);
}

TEST_F(FileWhileRecording, ADiskThatFillsUpKeepsTheRecordingInMemoryAndTheFileConsistent) {
    // Room for the header and 0.6 s: the third batch of samples fits only in part.
    constexpr std::uint64_t kCapacity = kWavHeaderSize + 6 * kSamplesPerSecond / 10 * 2;
    standin::setFileScript({.capacity = kCapacity, .slowWrite = 0, .slowWriteTakes = 0ms});
    startPaced(150);
    ASSERT_TRUE(waitUntil([] { return g_fileFailed.load(); }));
    EXPECT_TRUE(g_recording) << "the recording goes on";
    EXPECT_GE(countPosted(WM_SPECTRUM_READY), 1);
    stopAfter(150);

    EXPECT_EQ(g_captureOutcome, CaptureOutcome::fileNotWritten);
    const std::vector<Sample> samples = delivered();
    EXPECT_EQ(samples.size(), 150u * 480 * kChannels);
    ASSERT_TRUE(g_unsavedRecording);
    std::vector<Sample> kept;
    for (const auto& chunk : g_unsavedRecording->samples.chunks) {
        kept.insert(kept.end(), chunk.begin(), chunk.end());
    }
    EXPECT_EQ(kept, samples);
    EXPECT_EQ(std::filesystem::file_size(file_), kCapacity);
    EXPECT_GT(expectConsistent(), 0u) << "what was written before it filled up stays";
    EXPECT_EQ(standin::fileRecord().openHandles, 1) << "the failed file is kept open";
    releaseUnsavedRecording();
    EXPECT_EQ(standin::fileRecord().openHandles, 0);
    expectCleanEnd(kAllReleased);
}

TEST_F(FileWhileRecording, OnStorageSlowerThanEachPacketTheHeaderFollowsAndFlushesKeepTime) {
    // Every write takes 25 ms, longer than the 10 ms of audio that arrive meanwhile.
    standin::setFileScript({.slowWrite = 0, .slowWriteTakes = 25ms});
    startPaced(500);
    ASSERT_TRUE(standin::waitForPosted(WM_CAPTURE_STARTED, 5s));
    const auto started = std::chrono::steady_clock::now();
    while (standin::audioRecord().releasedFrames.size() < 450) {
        const std::size_t before = delivered().size();
        EXPECT_GE(expectConsistent() + kSamplesPerSecond, before) << "more than a second behind";
        std::this_thread::sleep_for(100ms);
    }
    const auto flushes = standin::fileRecord().flushes;
    ASSERT_GE(flushes.size(), 2u);
    auto previous = started;
    for (const auto flushed : flushes) {
        EXPECT_LE(flushed - previous, 3s) << "flushes more than 2 s apart";
        previous = flushed;
    }
    stop();
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::saved);
    EXPECT_EQ(readWav(file_).samples, delivered());
}

// Out of threads, or of memory for the new thread's state: either way the recording goes on.
class WriterThatCannotStart
    : public FileWhileRecording,
      public ::testing::WithParamInterface<testing_support::CreationFailure> {};

TEST_P(WriterThatCannotStart, LeavesTheRecordingInMemory) {
    const ScriptedInput input = makeInput(false, kChannels, 5, 480, 22);
    // The capture and analysis threads start; the writer not.
    testing_support::failThreadCreation(3, GetParam());
    start(scriptOf(standin::mixFormat(WAVE_FORMAT_PCM, kChannels, 48000, 16), input.packets));
    stopAfter(5);
    EXPECT_EQ(testing_support::creationsUntilFailure(), 0);
    EXPECT_TRUE(g_fileFailed);
    EXPECT_EQ(g_captureOutcome, CaptureOutcome::fileNotWritten);
    ASSERT_TRUE(g_unsavedRecording);
    EXPECT_EQ(recordedSampleCount(g_unsavedRecording->samples), 5u * 480 * kChannels);
    EXPECT_EQ(std::filesystem::file_size(file_), kWavHeaderSize);
    expectCleanEnd(kAllReleased);
}

INSTANTIATE_TEST_SUITE_P(EitherCause, WriterThatCannotStart,
                         ::testing::Values(testing_support::CreationFailure::noThreads,
                                           testing_support::CreationFailure::outOfMemory));

// A recording past the largest file, and one whose file fails after memory has given back what
// the file had taken: the files it leaves, compared sample for sample with what was fed in.
class RecordingFiles : public FileWhileRecording {
  protected:
    static constexpr UINT32 kFrames = 4800;
    static constexpr std::size_t kPacketSamples = kFrames * kChannels;

    void TearDown() override {
        releasePackets();
        FileWhileRecording::TearDown();
        kLargestFileBytes = 0xFFFFFFFF;
    }

    // Packets of kFrames frames as fast as they are taken, the ones from `held` on only once
    // releasePackets has been called. What they carry, in order, is fed().
    void startHeld(int packets, int held) {
        input_ = makeInput(false, kChannels, packets, kFrames, 31);
        auto script = scriptOf(standin::mixFormat(WAVE_FORMAT_PCM, kChannels, 48000, 16), {});
        script.packet = [this, packets, held](std::size_t i) -> std::optional<standin::Packet> {
            if (static_cast<int>(i) >= held) {
                std::unique_lock lock(gateMutex_);
                gateChanged_.wait(lock, [this] { return gateOpen_; });
            }
            if (static_cast<int>(i) < packets) {
                return input_.packets[i];
            }
            return std::nullopt;
        };
        start(std::move(script));
    }

    void releasePackets() {
        {
            std::lock_guard lock(gateMutex_);
            gateOpen_ = true;
        }
        gateChanged_.notify_all();
    }

    std::vector<Sample> fed(std::size_t from = 0) const {
        std::vector<Sample> samples;
        for (const auto& packet : input_.expected) {
            samples.insert(samples.end(), packet.begin(), packet.end());
        }
        return {samples.begin() + static_cast<std::ptrdiff_t>(from), samples.end()};
    }

    std::filesystem::path named(const std::string& name) const { return dir_ / name; }

    std::mutex gateMutex_;
    std::condition_variable gateChanged_;
    bool gateOpen_ = false;
};

TEST_F(RecordingFiles, GoOnInTheNextFreeNameSampleForSampleWhenAFileIsFull) {
    // 100,003 bytes of data: whole frames only, 25,000 of them in each file.
    kLargestFileBytes = kWavHeaderSize + 100003;
    std::ofstream(named("out (2).wav"), std::ios::binary) << "someone else's";
    startHeld(13, 13);
    releasePackets();
    stopAfter(13);

    EXPECT_EQ(g_captureOutcome, CaptureOutcome::saved);
    EXPECT_EQ(g_fileCount, 3u);
    const auto bytes = readBytes(named("out (2).wav"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "someone else's");
    std::vector<Sample> joined;
    for (const char* name : {"out.wav", "out (3).wav", "out (4).wav"}) {
        const auto wav = readWav(named(name));
        EXPECT_EQ(wav.channels, kChannels) << name;
        EXPECT_EQ(wav.sampleRate, 48000u) << name;
        joined.insert(joined.end(), wav.samples.begin(), wav.samples.end());
    }
    EXPECT_EQ(readWav(named("out.wav")).samples.size(), 25000u * kChannels);
    EXPECT_EQ(readWav(named("out (3).wav")).samples.size(), 25000u * kChannels);
    EXPECT_EQ(joined, fed());
    EXPECT_FALSE(std::filesystem::exists(named("out (5).wav")));
    EXPECT_EQ(standin::fileRecord().openHandles, 0);
    expectCleanEnd(kAllReleased);
}

enum class Choice { elsewhere, failedFile, firstFile };

struct SaveCase {
    const char* name;
    std::uint64_t fileSamples;  // 0: no limit
    const char* failedFile;
    Choice choice;
    bool readsFail;
    bool stillFull;  // the storage still takes no more
    CaptureOutcome outcome;
    std::uint64_t savedFrom;  // saved elsewhere: the first sample there
};

class SaveAfterAFailedFile : public RecordingFiles, public ::testing::WithParamInterface<SaveCase> {
  protected:
    std::map<std::string, std::vector<unsigned char>> filesNow() const {
        std::map<std::string, std::vector<unsigned char>> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            files[entry.path().filename().string()] = readBytes(entry.path());
        }
        return files;
    }

    // The samples of the files that begin with `first`, one after another.
    static std::vector<Sample> joined(const std::filesystem::path& first) {
        std::vector<Sample> samples;
        for (unsigned n = 1; std::filesystem::exists(numberedFileName(first.string(), n)); ++n) {
            const auto part = readWav(numberedFileName(first.string(), n)).samples;
            samples.insert(samples.end(), part.begin(), part.end());
        }
        return samples;
    }
};

TEST_P(SaveAfterAFailedFile, NeverWritesOverTheOnlyCopyOfAnySample) {
    const SaveCase& c = GetParam();
    if (c.fileSamples != 0) {
        kLargestFileBytes = kWavHeaderSize + c.fileSamples * sizeof(Sample);
    }
    // 40 packets (1.46 chunks) are written and flushed; then the disk is full.
    constexpr int kBefore = 40;
    startHeld(50, kBefore);
    const auto inFiles = [this] {
        std::uintmax_t bytes = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            bytes += entry.file_size() - kWavHeaderSize;
        }
        return bytes;
    };
    ASSERT_TRUE(waitUntil([&] { return inFiles() == kBefore * kPacketSamples * sizeof(Sample); }));
    const std::size_t flushes = standin::fileRecord().flushes.size();
    ASSERT_TRUE(waitUntil([&] { return standin::fileRecord().flushes.size() > flushes; }));
    const std::filesystem::path failed = named(c.failedFile);
    const std::uint64_t full = std::filesystem::file_size(failed);
    standin::setFileScript({.capacity = full});
    releasePackets();
    ASSERT_TRUE(waitUntil([] { return g_fileFailed.load(); }));
    stopAfter(50);

    EXPECT_EQ(g_captureOutcome, CaptureOutcome::fileNotWritten);
    ASSERT_TRUE(g_unsavedRecording);
    // Memory gave back the chunk the files had taken, and kept the rest.
    EXPECT_EQ(g_unsavedRecording->samples.first, kRecordingChunkSamples);
    EXPECT_EQ(recordedSampleCount(g_unsavedRecording->samples), fed().size());
    // Until the recording is saved, no other program writes into its failed file.
    EXPECT_EQ(CreateFileW(failed.c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);

    const auto before = filesNow();
    standin::setFileScript(
        {.capacity = c.stillFull ? std::optional(full) : std::nullopt, .readsFail = c.readsFail});
    useFile(c.choice == Choice::failedFile  ? failed
            : c.choice == Choice::firstFile ? named("out.wav")
                                            : named("saved.wav"));
    std::thread(saveRecordingThreadMain, testWindow()).join();
    EXPECT_EQ(g_captureOutcome, c.outcome);
    if (c.outcome != CaptureOutcome::saved) {
        EXPECT_EQ(filesNow(), before) << "every file reads as it did before";
    } else if (c.choice == Choice::failedFile) {
        EXPECT_TRUE(g_unsavedRecording->savedInOwnFiles);
        EXPECT_EQ(joined(named("out.wav")), fed());
    } else {
        EXPECT_EQ(g_unsavedRecording->savedFrom, c.savedFrom);
        EXPECT_EQ(joined(file_), fed(c.savedFrom));
        EXPECT_EQ(readBytes(failed), before.at(c.failedFile)) << "the failed file is only read";
    }
    releaseUnsavedRecording();
    EXPECT_EQ(standin::fileRecord().openHandles, 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachPlace, SaveAfterAFailedFile,
    ::testing::Values(SaveCase{"ElsewhereWhenTheFailedFileCannotBeRead", 0, "out.wav",
                               Choice::elsewhere, true, false, CaptureOutcome::saved,
                               kRecordingChunkSamples},
                      SaveCase{"ElsewhereAfterTheSecondFileReadBack", 200000, "out (2).wav",
                               Choice::elsewhere, false, false, CaptureOutcome::saved, 200000},
                      // Room again: the failed file takes the rest, each sample at its own place,
                      // without reading what it holds, and goes on in the recording's next file.
                      SaveCase{"TheFailedFileItselfGoingOnInTheNext", 200000, "out (2).wav",
                               Choice::failedFile, true, false, CaptureOutcome::saved, 0},
                      SaveCase{"TheFailedFileItselfStillFull", 0, "out.wav", Choice::failedFile,
                               false, true, CaptureOutcome::fileNotWritten, 0},
                      SaveCase{"AnEarlierFileOfTheRecording", 200000, "out (2).wav",
                               Choice::firstFile, false, false, CaptureOutcome::earlierFileChosen,
                               0}),
    [](const auto& param) { return std::string(param.param.name); });
