#include "capture/capture_thread.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "analysis/analysis_thread.h"
#include "capture/audio_stream.h"
#include "capture/display_feed.h"
#include "capture/file_writer.h"
#include "capture/recording_buffer.h"
#include "capture/sample_conversion.h"
#include "capture/wav_writer.h"
#include "state/shared_state.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPollWait = std::chrono::milliseconds(5);
// The window repaints the panels for each WM_SPECTRUM_READY: at most 60 times a second, a
// screen's pace, since what it paints faster nobody sees. The analysis thread sends up to 5 a
// second (one per block), this thread the rest.
constexpr int kRepaintsPerSecond = 60;
constexpr int kAnalysisUpdatesPerSecond = 5;
constexpr auto kRepaintInterval =
    std::chrono::microseconds(1'000'000 / (kRepaintsPerSecond - kAnalysisUpdatesPerSecond));
// GetBuffer failing this long without a packet in between ends the recording.
constexpr auto kLongestPacketFailure = std::chrono::seconds(1);

// What the capture loop keeps from packet to packet.
struct CaptureRun {
    SampleLayout layout = SampleLayout::unsupported;
    unsigned deviceChannels = 0;
    unsigned channels = 0;  // recorded: the device's first two, or its only one
    RecordingBuffer recording;
    std::uint32_t gaps = 0;
    bool firstPacket = true;
    std::optional<Clock::time_point> failingSince;  // of GetBuffer, since the last packet
    Clock::time_point lastUpdate = Clock::now() - kRepaintInterval;  // told to the window
    bool updateWaiting = false;  // display data the window has not been told of
};

// Tells the window that the display data changed, once a repaint interval has passed since it
// was last told, or at once when the status line has news for it.
void tellWindow(CaptureRun& run, HWND window, bool statusChanged) {
    const auto now = Clock::now();
    if (!statusChanged && now - run.lastUpdate < kRepaintInterval) {
        run.updateWaiting = true;
        return;
    }
    PostMessageW(window, WM_SPECTRUM_READY, 0, 0);
    run.lastUpdate = now;
    run.updateWaiting = false;
}

// Takes one packet into the recording and the display data. Returns true once the recording has
// reached the largest size a WAV file can describe; the rest of that packet is not kept. Throws
// std::bad_alloc when the recording cannot grow; what was appended before stays.
bool takePacket(const BYTE* data, UINT32 frames, DWORD flags, CaptureRun& run, HWND window) {
    // The flag is undefined on the first packet after Start, where the system commonly sets it.
    const bool gap = (flags & AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY) != 0 && !run.firstPacket;
    if (gap) {
        g_gapCount = ++run.gaps;
    }
    run.firstPacket = false;
    std::vector<Sample> samples =
        convertPacket(data, frames, std::max(run.deviceChannels, run.channels), run.channels,
                      run.layout, (flags & AUDCLNT_BUFFERFLAGS_SILENT) != 0);

    const std::uint64_t room =
        maxWavFrames(run.channels) * run.channels - recordedSampleCount(run.recording);
    const bool full = samples.size() >= room;
    if (full) {
        samples.resize(static_cast<std::size_t>(room));
    }
    appendCaptured(run.recording, samples.data(), samples.size());

    std::vector<Sample> first;
    std::vector<Sample> second;
    splitChannels(samples, run.channels, first, second);
    feedDisplay(first);
    if (!samples.empty()) {
        g_level = packetLevel(first, second, run.channels);
        if (g_level > 1.0f) {
            g_level = 1.0f;
        }
    }
    tellWindow(run, window, gap);
    return full;
}

// A failed GetBuffer: the device is gone, or it has failed for too long, or the loop waits and
// polls again.
std::optional<CaptureEnd> packetFailure(HRESULT result, CaptureRun& run) {
    if (result == AUDCLNT_E_DEVICE_INVALIDATED) {
        return CaptureEnd::microphoneDisconnected;
    }
    const auto now = Clock::now();
    if (!run.failingSince) {
        run.failingSince = now;
    } else if (now - *run.failingSince >= kLongestPacketFailure) {
        return CaptureEnd::microphoneError;
    }
    return std::nullopt;
}

// Polls the stream every 5 ms and takes the available packets back to back, until g_recording is
// cleared, the stream fails, memory runs out, or the recording is as long as a WAV file allows.
CaptureEnd captureUntilStopped(IAudioCaptureClient* capture, CaptureRun& run, HWND window) {
    while (g_recording) {
        UINT32 packetFrames = 0;
        if (FAILED(capture->GetNextPacketSize(&packetFrames))) {
            return CaptureEnd::microphoneDisconnected;
        }
        while (packetFrames != 0 && g_recording) {
            BYTE* data = nullptr;
            UINT32 frames = 0;
            DWORD flags = 0;
            if (const HRESULT got = capture->GetBuffer(&data, &frames, &flags, nullptr, nullptr);
                FAILED(got)) {
                if (const std::optional<CaptureEnd> end = packetFailure(got, run)) {
                    return *end;
                }
                break;
            }
            run.failingSince.reset();
            bool full = false;
            bool outOfMemory = false;
            try {
                full = takePacket(data, frames, flags, run, window);
            } catch (const std::bad_alloc&) {
                outOfMemory = true;
            }
            capture->ReleaseBuffer(frames);
            if (outOfMemory) {
                return CaptureEnd::outOfMemory;
            }
            if (full) {
                return CaptureEnd::stopped;
            }
            if (capture->GetNextPacketSize(&packetFrames) == AUDCLNT_E_DEVICE_INVALIDATED) {
                return CaptureEnd::microphoneDisconnected;
            }
        }
        if (run.updateWaiting) {
            tellWindow(run, window, false);
        }
        const auto waitStart = Clock::now();
        std::this_thread::sleep_until(waitStart + kPollWait);
    }
    return CaptureEnd::stopped;
}

CaptureOutcome startAnalysis(DWORD sampleRate) {
    g_sampleRate = static_cast<std::int32_t>(sampleRate);
    g_analysisRunning = true;
    try {
        g_analysisThread = std::thread(analysisThreadMain);
    } catch (const std::system_error&) {
        return CaptureOutcome::microphoneUnavailable;
    }
    return CaptureOutcome::saved;
}

// Announces the recording once its file holds a header, then records until stopped while the
// file writer keeps the file up to date. A recording whose file failed is kept for the window to
// save elsewhere.
CaptureOutcome recordAndWrite(const AudioStream& stream, HANDLE file, HWND window) {
    const WAVEFORMATEX& format = *stream.format;
    CaptureRun run;
    run.layout = sampleLayoutOf(format);
    run.deviceChannels = format.nChannels;
    run.channels = recordingChannels(format.nChannels);
    const auto channels = static_cast<std::uint16_t>(run.channels);
    const auto sampleRate = static_cast<std::uint32_t>(format.nSamplesPerSec);
    startFileWriter(file, run.recording, channels, sampleRate, window);
    PostMessageW(window, WM_CAPTURE_STARTED, 0, 0);
    std::call_once(g_lastBlockTimeSet, [] { g_lastBlockTime = Clock::now(); });
    g_captureEnd = captureUntilStopped(stream.capture, run, window);
    stream.client->Stop();
    stopFileWriter();
    if (closeWavFile(file) && !g_fileFailed) {
        return CaptureOutcome::saved;
    }
    g_unsavedRecording = UnsavedRecording{std::move(run.recording), channels, sampleRate};
    return CaptureOutcome::fileNotWritten;
}

}  // namespace

// The path is the window's copy of the chosen name; the file is opened by g_outputPathUtf8.
void captureThreadMain(std::wstring, HWND window) {
    g_captureActive = true;
    g_captureEnd = CaptureEnd::stopped;
    g_gapCount = 0;
    g_fileFailed = false;
    CoInitialize(nullptr);

    HANDLE file = INVALID_HANDLE_VALUE;
    AudioStream stream;
    CaptureOutcome outcome = openAudioStream(stream);
    if (outcome == CaptureOutcome::saved) {
        outcome = startAnalysis(stream.format->nSamplesPerSec);
    }
    if (outcome == CaptureOutcome::saved) {
        file = openWavFile(g_outputPathUtf8);
        if (file == INVALID_HANDLE_VALUE) {
            outcome = CaptureOutcome::fileNotCreated;
        }
    }
    if (outcome == CaptureOutcome::saved) {
        outcome = recordAndWrite(stream, file, window);
    }

    // The window joins this thread when WM_CAPTURE_DONE arrives: from here on nothing may wait
    // for the window thread.
    g_captureOutcome = outcome;
    PostMessageW(window, WM_CAPTURE_DONE, 0, 0);

    stopWorker(g_queueMutex, g_queueCond, g_analysisRunning, g_analysisThread);
    releaseAudioStream(stream);
    CoUninitialize();
    g_captureActive = false;
}

void saveRecordingThreadMain(HWND window) {
    g_captureActive = true;
    const UnsavedRecording& unsaved = *g_unsavedRecording;
    bool saved = false;
    if (const HANDLE file = openWavFile(g_outputPathUtf8); file != INVALID_HANDLE_VALUE) {
        saved = writeWavFile(file, unsaved.samples, unsaved.channels, unsaved.sampleRate) &&
                flushWavFile(file);
        saved = closeWavFile(file) && saved;
    }
    g_captureOutcome = saved ? CaptureOutcome::saved : CaptureOutcome::fileNotWritten;
    PostMessageW(window, WM_CAPTURE_DONE, 0, 0);
    g_captureActive = false;
}
