#include "capture/capture_thread.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <system_error>
#include <thread>

#include "analysis/analysis_thread.h"
#include "capture/audio_stream.h"
#include "capture/display_feed.h"
#include "capture/recording_buffer.h"
#include "capture/sample_conversion.h"
#include "capture/wav_writer.h"
#include "state/shared_state.h"

namespace {

constexpr auto kPollWait = std::chrono::milliseconds(5);

// Takes one packet into the recording and the display data. Returns true once the recording has
// reached the largest size a WAV file can describe; the rest of that packet is not kept.
bool takePacket(const BYTE* data, UINT32 frames, DWORD flags, SampleLayout layout,
                unsigned channels, RecordingBuffer& recording, HWND window) {
    const std::uint32_t count = channels * frames;
    std::vector<Sample> samples =
        convertPacket(data, count, layout, (flags & AUDCLNT_BUFFERFLAGS_SILENT) != 0);

    const std::uint64_t room =
        maxRecordableFrames(channels) * channels - recordedSampleCount(recording);
    const bool full = samples.size() >= room;
    if (full) {
        samples.resize(static_cast<std::size_t>(room));
    }
    appendToRecording(recording, samples.data(), samples.size());

    std::vector<Sample> first;
    std::vector<Sample> second;
    splitChannels(samples, channels, first, second);
    feedDisplay(first);
    if (!samples.empty()) {
        g_level = packetLevel(first, second, channels);
        if (g_level > 1.0f) {
            g_level = 1.0f;
        }
    }
    PostMessageW(window, WM_SPECTRUM_READY, 0, 0);
    return full;
}

// Polls the stream every 5 ms and takes the available packets back to back, until g_recording is
// cleared, the stream fails, or the recording is as long as a WAV file allows.
void captureUntilStopped(IAudioCaptureClient* capture, SampleLayout layout, unsigned channels,
                         RecordingBuffer& recording, HWND window) {
    bool full = false;
    while (g_recording && !full) {
        UINT32 packetFrames = 0;
        if (FAILED(capture->GetNextPacketSize(&packetFrames))) {
            return;
        }
        while (packetFrames != 0 && g_recording && !full) {
            BYTE* data = nullptr;
            UINT32 frames = 0;
            DWORD flags = 0;
            if (FAILED(capture->GetBuffer(&data, &frames, &flags, nullptr, nullptr))) {
                break;
            }
            full = takePacket(data, frames, flags, layout, channels, recording, window);
            capture->ReleaseBuffer(frames);
            capture->GetNextPacketSize(&packetFrames);
        }
        if (!full) {
            const auto waitStart = std::chrono::steady_clock::now();
            std::this_thread::sleep_until(waitStart + kPollWait);
        }
    }
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

void stopAnalysis() {
    {
        std::lock_guard lock(g_queueMutex);
        g_analysisRunning = false;
    }
    g_queueCond.notify_all();
    if (g_analysisThread.joinable()) {
        g_analysisThread.join();
    }
}

}  // namespace

// The path is the window's copy of the chosen name; the file is opened by g_outputPathUtf8.
void captureThreadMain(std::wstring, HWND window) {
    g_captureActive = true;
    CoInitialize(nullptr);

    std::ofstream output;
    RecordingBuffer recording;
    IMMDeviceEnumerator* enumerator = nullptr;
    IMMDevice* device = nullptr;
    IAudioClient* client = nullptr;
    WAVEFORMATEX* format = nullptr;
    IAudioCaptureClient* capture = nullptr;

    CaptureOutcome outcome = openAudioStream(enumerator, device, client, format, capture);
    if (outcome == CaptureOutcome::saved) {
        outcome = startAnalysis(format->nSamplesPerSec);
    }
    if (outcome == CaptureOutcome::saved && !openWavFile(output, g_outputPathUtf8)) {
        outcome = CaptureOutcome::fileNotCreated;
    }
    if (outcome == CaptureOutcome::saved) {
        PostMessageW(window, WM_CAPTURE_STARTED, 0, 0);
        std::call_once(g_lastBlockTimeSet,
                       [] { g_lastBlockTime = std::chrono::steady_clock::now(); });
        const unsigned channels = format->nChannels;
        captureUntilStopped(capture, sampleLayoutOf(*format), channels, recording, window);
        client->Stop();
        const bool written = writeWavFile(output, recording, static_cast<std::uint16_t>(channels),
                                          format->nSamplesPerSec);
        const bool closed = closeWavFile(output);
        if (!written || !closed) {
            outcome = CaptureOutcome::fileNotWritten;
        }
    }

    // The window joins this thread when WM_CAPTURE_DONE arrives: from here on nothing may wait
    // for the window thread.
    g_captureOutcome = outcome;
    PostMessageW(window, WM_CAPTURE_DONE, 0, 0);

    stopAnalysis();
    releaseAudioStream(enumerator, device, client, format, capture);
    CoUninitialize();
    g_captureActive = false;
}
