#include "capture/capture_thread.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "analysis/analysis_thread.h"
#include "capture/audio_stream.h"
#include "capture/display_feed.h"
#include "capture/file_writer.h"
#include "capture/recording_buffer.h"
#include "capture/sample_conversion.h"
#include "capture/stream_recovery.h"
#include "capture/wav_files.h"
#include "capture/wav_writer.h"
#include "state/shared_state.h"

namespace {

using Clock = std::chrono::steady_clock;

// The window repaints the panels for each WM_SPECTRUM_READY: at most 60 times a second, a
// screen's pace, since what it paints faster nobody sees. The analysis thread sends up to 5 a
// second (one per block), this thread the rest.
constexpr int kRepaintsPerSecond = 60;
constexpr int kAnalysisUpdatesPerSecond = 5;
constexpr auto kRepaintInterval =
    std::chrono::microseconds(1'000'000 / (kRepaintsPerSecond - kAnalysisUpdatesPerSecond));
// A running shared-mode stream delivers packets all the time, silence included: none for this
// long, whether GetBuffer fails or there is nothing, means that it failed. Its first packet may
// take longer: under Wine it came up to 2 s after Start.
constexpr auto kLongestWithoutPacket = std::chrono::seconds(1);
constexpr auto kLongestBeforeFirstPacket = std::chrono::seconds(5);

// What the capture loop keeps from packet to packet.
struct CaptureRun {
    SampleLayout layout = SampleLayout::unsupported;
    unsigned deviceChannels = 0;
    unsigned channels = 0;  // recorded: the device's first two, or its only one
    std::uint32_t sampleRate = 0;
    RecordingBuffer recording;
    WavFiles files;  // the file writer's while it runs
    std::uint32_t gaps = 0;
    bool firstPacket = true;
    Clock::time_point lastPacket = Clock::now();                     // or the stream's start
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

// Takes one packet into the recording and the display data. Throws std::bad_alloc when the
// recording cannot grow; what was appended before stays.
void takePacket(const BYTE* data, UINT32 frames, DWORD flags, CaptureRun& run, HWND window) {
    // The flag is undefined on the first packet after Start, where the system commonly sets it.
    const bool gap = (flags & AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY) != 0 && !run.firstPacket;
    if (gap) {
        g_gapCount = ++run.gaps;
    }
    run.firstPacket = false;
    std::vector<Sample> samples =
        convertPacket(data, frames, std::max(run.deviceChannels, run.channels), run.channels,
                      run.layout, (flags & AUDCLNT_BUFFERFLAGS_SILENT) != 0);
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
}

// A GetBuffer that fails because the device went away or the audio service stopped fails the
// stream at once; after any other failure the loop polls again.
bool streamGone(HRESULT result) {
    return result == AUDCLNT_E_DEVICE_INVALIDATED || result == AUDCLNT_E_SERVICE_NOT_RUNNING;
}

// Polls the stream every 5 ms and takes the available packets back to back, until g_recording is
// cleared or memory runs out; nothing when the stream fails.
std::optional<CaptureEnd> captureUntilStopped(IAudioCaptureClient* capture, CaptureRun& run,
                                              HWND window) {
    while (g_recording) {
        UINT32 packetFrames = 0;
        if (FAILED(capture->GetNextPacketSize(&packetFrames))) {
            return std::nullopt;
        }
        while (packetFrames != 0 && g_recording) {
            BYTE* data = nullptr;
            UINT32 frames = 0;
            DWORD flags = 0;
            if (const HRESULT got = capture->GetBuffer(&data, &frames, &flags, nullptr, nullptr);
                FAILED(got)) {
                if (streamGone(got)) {
                    return std::nullopt;
                }
                break;
            }
            run.lastPacket = Clock::now();
            bool outOfMemory = false;
            try {
                takePacket(data, frames, flags, run, window);
            } catch (const std::bad_alloc&) {
                outOfMemory = true;
            }
            capture->ReleaseBuffer(frames);
            if (outOfMemory) {
                return CaptureEnd::outOfMemory;
            }
            if (FAILED(capture->GetNextPacketSize(&packetFrames))) {
                return std::nullopt;
            }
        }
        if (run.updateWaiting) {
            tellWindow(run, window, false);
        }
        const auto waitStart = Clock::now();
        if (waitStart - run.lastPacket >=
            (run.firstPacket ? kLongestBeforeFirstPacket : kLongestWithoutPacket)) {
            return std::nullopt;
        }
        std::this_thread::sleep_until(waitStart + kCapturePollWait);
    }
    return CaptureEnd::stopped;
}

// Takes packets from this stream from now on. Samples in another format than the recording's so
// far are recorded as a change of format, where the file writer begins the next file; the live
// view then starts again at the new rate. Throws std::bad_alloc when the change cannot be kept.
void takeStream(const AudioStream& stream, CaptureRun& run) {
    const WAVEFORMATEX& format = deliveredFormat(stream);
    const unsigned channels = recordingChannels(format.nChannels);
    if (channels != run.channels || format.nSamplesPerSec != run.sampleRate) {
        changeCapturedFormat(run.recording, static_cast<std::uint16_t>(channels),
                             format.nSamplesPerSec);
        if (format.nSamplesPerSec != run.sampleRate) {
            changeDisplayRate(static_cast<std::int32_t>(format.nSamplesPerSec));
        }
    }
    run.layout = sampleLayoutOf(format);
    run.deviceChannels = format.nChannels;
    run.channels = channels;
    run.sampleRate = format.nSamplesPerSec;
    // The discontinuity flag of a new stream's first packet means nothing.
    run.firstPacket = true;
    run.lastPacket = Clock::now();
}

// The status line says at once whether the recording waits for a microphone.
void showWaiting(bool waiting, CaptureRun& run, HWND window) {
    g_waitingForMicrophone = waiting;
    g_level = 0.0f;
    tellWindow(run, window, true);
}

// Records from the stream and, after it fails, from each stream that opens in its place, until
// stopped or out of memory. The time without a stream is one gap, also where a stream that took
// over fails before its first packet.
CaptureEnd recordUntilStopped(AudioStream& stream, CaptureRun& run, HWND window) {
    for (;;) {
        if (const std::optional<CaptureEnd> end =
                captureUntilStopped(stream.capture, run, window)) {
            return *end;
        }
        if (!run.firstPacket) {
            g_gapCount = ++run.gaps;
        }
        showWaiting(true, run, window);
        releaseFailedStream(stream);
        if (!waitForMicrophone(stream, run.channels, run.sampleRate)) {
            return CaptureEnd::stopped;
        }
        try {
            takeStream(stream, run);
        } catch (const std::bad_alloc&) {
            return CaptureEnd::outOfMemory;
        }
        showWaiting(false, run, window);
    }
}

std::optional<CaptureOutcome> startAnalysis(DWORD sampleRate) {
    g_sampleRate = static_cast<std::int32_t>(sampleRate);
    g_analysisRunning = true;
    if (!startThread(g_analysisThread, analysisThreadMain)) {
        return CaptureOutcome::microphoneUnavailable;
    }
    return std::nullopt;
}

// A recording whose files failed, with what memory holds of it and where the rest is.
UnsavedRecording keepUnsaved(CaptureRun& run, const std::wstring& path) {
    const WavFiles& files = run.files;
    return UnsavedRecording{std::move(run.recording),
                            files.channels,
                            files.sampleRate,
                            path,
                            numberedFileName(path, files.nameNumber),
                            numberedFileName(files.firstPath, files.nameNumber),
                            files.count,
                            files.fileStart};
}

// Announces the recording once its file holds a header, then records until stopped while the
// file writer keeps the files up to date. A recording whose files failed is kept for the window
// to save elsewhere.
CaptureOutcome recordAndWrite(AudioStream& stream, HANDLE file, const std::wstring& path,
                              HWND window) {
    CaptureRun run;
    run.channels = recordingChannels(stream.format->nChannels);
    run.sampleRate = stream.format->nSamplesPerSec;
    takeStream(stream, run);
    run.files.firstPath = g_outputPathUtf8;
    run.files.channels = static_cast<std::uint16_t>(run.channels);
    run.files.sampleRate = run.sampleRate;
    startFileWriter(run.files, file, run.recording, window);
    PostMessageW(window, WM_CAPTURE_STARTED, 0, 0);
    std::call_once(g_lastBlockTimeSet, [] { g_lastBlockTime = Clock::now(); });
    g_captureEnd = recordUntilStopped(stream, run, window);
    // Stopped while waiting for a microphone, there is no stream.
    if (stream.client != nullptr) {
        stream.client->Stop();
    }
    stopFileWriter();
    const bool closed = run.files.file != INVALID_HANDLE_VALUE && closeWavFile(run.files.file);
    if (closed && !g_fileFailed) {
        return CaptureOutcome::saved;
    }
    g_unsavedRecording = keepUnsaved(run, path);
    return CaptureOutcome::fileNotWritten;
}

// Copies what the failed file holds of the recording before the samples memory kept into the
// files, so that the file saved elsewhere begins where the failed one did. When it cannot be
// read, the file saved elsewhere begins with what memory kept instead. False when the files
// cannot be written.
bool copyFailedFile(WavFiles& files, const UnsavedRecording& unsaved) {
    const std::uint64_t count = unsaved.samples.first - files.written;
    bool read = false;
    bool written = true;
    if (const HANDLE failed = openWavFile(unsaved.failedPathUtf8, WavOpen::read);
        failed != INVALID_HANDLE_VALUE) {
        read = true;
        try {
            std::vector<Sample> block(std::min<std::uint64_t>(count, kRecordingChunkSamples));
            for (std::uint64_t done = 0; read && written && done < count; done += block.size()) {
                block.resize(
                    static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), count - done)));
                read = readWavSamples(failed, done, block.data(), block.size());
                written = !read || appendToWavFiles(files, block.data(), block.size());
            }
        } catch (const std::bad_alloc&) {
            read = false;
        }
        closeWavFile(failed);
    }
    if (!read) {
        // Whatever was copied is written over from the start of the file.
        files.fileStart = unsaved.samples.first;
        files.written = unsaved.samples.first;
    }
    return written;
}

// The recording from where its failed file began, into the files that begin with `file`.
bool saveUnsaved(WavFiles& files, HANDLE file, UnsavedRecording& unsaved) {
    const RecordingBuffer& held = unsaved.samples;
    if (!beginWavFiles(files, file, unsaved.failedFileStart) ||
        (unsaved.failedFileStart < held.first && !copyFailedFile(files, unsaved))) {
        return false;
    }
    unsaved.savedFrom = files.fileStart;
    for (std::span<const Sample> next = samplesAfter(held, files.written); !next.empty();
         next = samplesAfter(held, files.written)) {
        if (!followFormat(files, formatAt(held, files.written)) ||
            !appendToWavFiles(files, next.data(), next.size())) {
            return false;
        }
    }
    return finishWavFiles(files);
}

}  // namespace

// The path is the window's copy of the chosen name; the file is opened by g_outputPathUtf8.
void captureThreadMain(std::wstring path, HWND window) {
    g_captureActive = true;
    g_captureEnd = CaptureEnd::stopped;
    g_gapCount = 0;
    g_fileCount = 0;
    g_fileFailed = false;
    g_waitingForMicrophone = false;
    CoInitialize(nullptr);

    HANDLE file = INVALID_HANDLE_VALUE;
    AudioStream stream;
    std::optional<CaptureOutcome> failure = openAudioStream(stream);
    // From the moment the stream runs until this thread ends, the system does not sleep while
    // idle; the display may turn off.
    const bool keptAwake = !failure;
    if (keptAwake) {
        SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
        failure = startAnalysis(stream.format->nSamplesPerSec);
    }
    if (!failure) {
        file = openWavFile(g_outputPathUtf8, WavOpen::replace);
        if (file == INVALID_HANDLE_VALUE) {
            failure = CaptureOutcome::fileNotCreated;
        }
    }
    const CaptureOutcome outcome = failure ? *failure : recordAndWrite(stream, file, path, window);

    // The window joins this thread when WM_CAPTURE_DONE arrives: from here on nothing may wait
    // for the window thread.
    g_captureOutcome = outcome;
    PostMessageW(window, WM_CAPTURE_DONE, 0, 0);

    stopWorker(g_queueMutex, g_queueCond, g_analysisRunning, g_analysisThread);
    releaseAudioStream(stream);
    if (keptAwake) {
        SetThreadExecutionState(ES_CONTINUOUS);
    }
    CoUninitialize();
    g_captureActive = false;
}

void saveRecordingThreadMain(HWND window) {
    g_captureActive = true;
    UnsavedRecording& unsaved = *g_unsavedRecording;
    WavFiles files;
    bool saved = false;
    try {
        files = WavFiles{g_outputPathUtf8, unsaved.channels, unsaved.sampleRate};
        // An existing file is written over, not emptied first: it may be the failed file itself,
        // whose samples are read back into it.
        if (const HANDLE file = openWavFile(g_outputPathUtf8, WavOpen::overwriteInPlace);
            file != INVALID_HANDLE_VALUE) {
            saved = saveUnsaved(files, file, unsaved);
            if (files.file != INVALID_HANDLE_VALUE) {
                closeWavFile(files.file);
            }
        }
    } catch (const std::bad_alloc&) {
        // A name could not be made, where no file is open: not saved, still in memory.
    }
    g_fileCount = files.count;
    g_captureOutcome = saved ? CaptureOutcome::saved : CaptureOutcome::fileNotWritten;
    PostMessageW(window, WM_CAPTURE_DONE, 0, 0);
    g_captureActive = false;
}
