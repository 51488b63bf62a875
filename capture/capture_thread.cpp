#include "capture/capture_thread.h"

#include <algorithm>
#include <chrono>
#include <memory>
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
    Recording* recording = nullptr;  // its files are the file writer's while it runs
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
    appendCaptured(run.recording->samples, samples.data(), samples.size());

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
        changeCapturedFormat(run.recording->samples, static_cast<std::uint16_t>(channels),
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

// The recording's own memory, made before anything is recorded; null when memory is short.
std::unique_ptr<Recording> newRecording(std::wstring path) {
    try {
        auto recording = std::make_unique<Recording>();
        recording->firstPath = std::move(path);
        recording->files.firstPath = g_outputPathUtf8;
        recording->files.numbers.reserve(1);
        recording->samples.formats.reserve(1);
        return recording;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Announces the recording once its file holds a header, then records until stopped while the
// file writer keeps the files up to date. A recording whose files failed is handed to the window
// to be saved elsewhere, its failed file still open.
CaptureOutcome recordAndWrite(AudioStream& stream, HANDLE file,
                              std::unique_ptr<Recording>& recording, HWND window) {
    // The first stream is taken as any later one: its format is the recording's first, from
    // sample 0 on (room for it was made with the recording).
    CaptureRun run;
    run.recording = recording.get();
    takeStream(stream, run);
    WavFiles& files = recording->files;
    files.channels = static_cast<std::uint16_t>(run.channels);
    files.sampleRate = run.sampleRate;
    startFileWriter(files, file, recording->samples, window);
    PostMessageW(window, WM_CAPTURE_STARTED, 0, 0);
    std::call_once(g_lastBlockTimeSet, [] { g_lastBlockTime = Clock::now(); });
    g_captureEnd = recordUntilStopped(stream, run, window);
    // Stopped while waiting for a microphone, there is no stream.
    if (stream.client != nullptr) {
        stream.client->Stop();
    }
    stopFileWriter();
    if (!g_fileFailed) {
        const bool closed = closeWavFile(files.file);
        files.file = INVALID_HANDLE_VALUE;
        if (closed) {
            return CaptureOutcome::saved;
        }
    }
    g_unsavedRecording = std::move(recording);
    return CaptureOutcome::fileNotWritten;
}

enum class Place { failedFile, earlierFile, elsewhere };

// Where the chosen file is among the recording's own. An existing file is compared with them by
// identity, so that no spelling of its name (case, a relative or short name, another drive
// letter) hides one of them.
Place placeOf(const WavFiles& files, const std::string& path) {
    const HANDLE chosen = openWavFile(path, WavOpen::read);
    if (chosen == INVALID_HANDLE_VALUE) {
        return Place::elsewhere;
    }
    const bool failedFileOpen = files.file != INVALID_HANDLE_VALUE;
    Place place =
        failedFileOpen && sameFile(chosen, files.file) ? Place::failedFile : Place::elsewhere;
    // By name as well: the handle held may no longer answer when its storage went away.
    for (std::size_t i = 0; i < files.numbers.size() && place == Place::elsewhere; ++i) {
        const HANDLE own =
            openWavFile(numberedFileName(files.firstPath, files.numbers[i]), WavOpen::read);
        if (own != INVALID_HANDLE_VALUE) {
            if (sameFile(chosen, own)) {
                place = failedFileOpen && i + 1 == files.numbers.size() ? Place::failedFile
                                                                        : Place::earlierFile;
            }
            closeWavFile(own);
        }
    }
    closeWavFile(chosen);
    return place;
}

// What memory kept, behind what the files hold.
bool writeKept(WavFiles& files, const RecordingBuffer& samples) {
    for (std::span<const Sample> next = samplesAfter(samples, files.written); !next.empty();
         next = samplesAfter(samples, files.written)) {
        if (!followFormat(files, formatAt(samples, files.written)) ||
            !appendToWavFiles(files, next.data(), next.size())) {
            return false;
        }
    }
    return true;
}

// Into the failed file itself: every sample it holds stays. Only what memory kept is written,
// each sample at its own place (what the file took before the failure is written again, as it
// may not have reached the device), and the header describes it once it is written.
bool saveInPlace(Recording& recording) {
    WavFiles& files = recording.files;
    files.written = std::max(recording.samples.first, files.fileStart);
    if (!writeKept(files, recording.samples) || !finishWavFiles(files)) {
        return false;
    }
    recording.savedInOwnFiles = true;
    publishFiles(files);
    return true;
}

// What the failed file holds before the samples memory kept, read back through its handle into
// the new files, so that they begin where the failed one did. When it cannot be read, the new
// files begin with what memory kept instead. False when the new files cannot be written.
bool copyFailedFile(WavFiles& target, const Recording& recording) {
    const WavFiles& failed = recording.files;
    const std::uint64_t first = recording.samples.first;
    bool read = failed.file != INVALID_HANDLE_VALUE;
    std::vector<Sample> block;
    if (read && target.written < first) {
        block.resize(static_cast<std::size_t>(
            std::min<std::uint64_t>(first - target.written, kRecordingChunkSamples)));
    }
    while (read && target.written < first) {
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), first - target.written));
        read = readWavSamples(failed.file, target.written - failed.fileStart, block.data(), count);
        if (read && !appendToWavFiles(target, block.data(), count)) {
            return false;
        }
    }
    if (!read) {
        // Within the new first file: what was copied is written over.
        target.fileStart = first;
        target.written = first;
    }
    return true;
}

// Into another file, and past the largest file into numbered ones after it: from where the
// failed file began, read back from it, then what memory kept.
bool saveElsewhere(Recording& recording, const std::string& path) {
    WavFiles target;
    target.firstPath = path;
    target.channels = recording.files.channels;
    target.sampleRate = recording.files.sampleRate;
    target.numbers.reserve(1);
    const HANDLE file = openWavFile(path, WavOpen::replace);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool saved = false;
    std::uint64_t savedFrom = 0;
    try {
        if (beginWavFiles(target, file, recording.files.fileStart) &&
            copyFailedFile(target, recording)) {
            savedFrom = target.fileStart;
            saved = writeKept(target, recording.samples) && finishWavFiles(target);
        }
    } catch (const std::bad_alloc&) {
        // A block to read into, or a next file's name: not saved, still in memory.
    }
    if (target.file != INVALID_HANDLE_VALUE) {
        closeWavFile(target.file);
    }
    if (saved) {
        recording.savedFrom = savedFrom;
        publishFiles(target);
    }
    return saved;
}

}  // namespace

// The path is the window's copy of the chosen name; the file is opened by g_outputPathUtf8.
void captureThreadMain(std::wstring path, HWND window) {
    g_captureActive = true;
    g_captureEnd = CaptureEnd::stopped;
    g_gapCount = 0;
    g_fileCount = 0;
    g_lastFileNumber = 0;
    g_fileFailed = false;
    g_waitingForMicrophone = false;
    CoInitialize(nullptr);

    HANDLE file = INVALID_HANDLE_VALUE;
    AudioStream stream;
    std::unique_ptr<Recording> recording = newRecording(std::move(path));
    std::optional<CaptureOutcome> failure;
    if (!recording) {
        failure = CaptureOutcome::outOfMemory;
    }
    if (!failure) {
        failure = openAudioStream(stream);
    }
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
    const CaptureOutcome outcome =
        failure ? *failure : recordAndWrite(stream, file, recording, window);

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
    Recording& recording = *g_unsavedRecording;
    CaptureOutcome outcome = CaptureOutcome::fileNotWritten;
    try {
        switch (placeOf(recording.files, g_outputPathUtf8)) {
            case Place::failedFile:
                outcome = saveInPlace(recording) ? CaptureOutcome::saved : outcome;
                break;
            case Place::earlierFile:
                outcome = CaptureOutcome::earlierFileChosen;
                break;
            case Place::elsewhere:
                outcome =
                    saveElsewhere(recording, g_outputPathUtf8) ? CaptureOutcome::saved : outcome;
                break;
        }
    } catch (const std::bad_alloc&) {
        // A file's name could not be made: not saved, still in memory.
    }
    g_captureOutcome = outcome;
    PostMessageW(window, WM_CAPTURE_DONE, 0, 0);
    g_captureActive = false;
}

void releaseUnsavedRecording() {
    if (g_unsavedRecording && g_unsavedRecording->files.file != INVALID_HANDLE_VALUE) {
        closeWavFile(g_unsavedRecording->files.file);
    }
    g_unsavedRecording.reset();
}
