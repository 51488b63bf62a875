#include "capture/file_writer.h"

#include <algorithm>
#include <new>

#include "capture/recording_buffer.h"
#include "state/shared_state.h"

namespace {

using Clock = std::chrono::steady_clock;

struct WriterRun {
    WavFiles& files;
    RecordingBuffer& recording;
    HWND window;
    std::uint64_t flushed = 0;  // samples up to the end of what was last flushed
    Clock::time_point lastFlush = Clock::now();
};

bool describe(WriterRun& run) {
    return run.files.written == run.files.described || describeWavFiles(run.files);
}

// What was written, described by its header, goes to the device. Memory then gives back what
// the file durably holds, and only that: so every sample before the first one memory keeps is in
// the files, which a save elsewhere after a failure relies on.
bool flushAndRelease(WriterRun& run) {
    if (!describe(run) || !flushWavFiles(run.files)) {
        return false;
    }
    run.flushed = run.files.written;
    run.lastFlush = Clock::now();
    std::lock_guard lock(g_fileMutex);
    releaseRecordingBefore(run.recording, run.flushed);
    return true;
}

// Writes the samples captured up to now behind those already in the files, not those that
// arrive meanwhile: on storage slower than the audio the batch ends all the same. After each
// write the header describes what was written and the file is flushed when it is due, however
// long each write takes.
bool writeCaptured(WriterRun& run) {
    std::uint64_t end = 0;
    {
        std::lock_guard lock(g_fileMutex);
        end = recordedSampleCount(run.recording);
    }
    while (run.files.written < end) {
        std::span<const Sample> pending;
        std::optional<RecordingFormat> format;
        {
            std::lock_guard lock(g_fileMutex);
            pending = samplesAfter(run.recording, run.files.written);
            format = formatAt(run.recording, run.files.written);
        }
        pending = pending.first(static_cast<std::size_t>(
            std::min<std::uint64_t>(pending.size(), end - run.files.written)));
        const std::size_t filesBefore = run.files.numbers.size();
        if (!followFormat(run.files, format) ||
            !appendToWavFiles(run.files, pending.data(), pending.size())) {
            return false;
        }
        if (run.files.numbers.size() != filesBefore) {
            publishFiles(run.files);
            PostMessageW(run.window, WM_SPECTRUM_READY, 0, 0);
        }
        if (!describe(run)) {
            return false;
        }
        if ((Clock::now() - run.lastFlush >= kFileFlushInterval ||
             run.files.written - run.flushed >= kFileFlushSamples) &&
            !flushAndRelease(run)) {
            return false;
        }
    }
    return true;
}

// Until stopped: every interval the new samples, then the header that describes them, so that
// the header never describes more than the file holds; a flush every few seconds. A batch that
// took the whole interval is followed by the next at once. Files that fail once are given up:
// the recording stays in memory from the first sample not flushed.
bool writeUntilStopped(WriterRun& run) {
    bool running = true;
    auto batchStart = Clock::now();
    while (running) {
        {
            std::unique_lock lock(g_fileMutex);
            g_fileCond.wait_until(lock, batchStart + kFileWriteInterval,
                                  [] { return !g_fileWriterRunning; });
            running = g_fileWriterRunning;
        }
        batchStart = Clock::now();
        if (!writeCaptured(run)) {
            return false;
        }
        if ((!running || Clock::now() - run.lastFlush >= kFileFlushInterval) &&
            !flushAndRelease(run)) {
            return false;
        }
    }
    return true;
}

void fileWriterThreadMain(WriterRun run) {
    bool written = false;
    try {
        written = writeUntilStopped(run);
    } catch (const std::bad_alloc&) {
        // The next file's name could not be made: that file fails like any other.
    }
    if (!written) {
        g_fileFailed = true;
        // The window tells the user at once, also while no packet arrives.
        PostMessageW(run.window, WM_SPECTRUM_READY, 0, 0);
    }
}

}  // namespace

void publishFiles(const WavFiles& files) {
    g_fileCount = static_cast<unsigned>(files.numbers.size());
    g_lastFileNumber = files.numbers.back();
}

void startFileWriter(WavFiles& files, HANDLE file, RecordingBuffer& recording, HWND window) {
    const bool begun = beginWavFiles(files, file, 0);
    publishFiles(files);
    if (!begun) {
        g_fileFailed = true;
        return;
    }
    g_fileWriterRunning = true;
    if (!startThread(g_fileWriterThread, fileWriterThreadMain,
                     WriterRun{files, recording, window})) {
        g_fileWriterRunning = false;
        g_fileFailed = true;
    }
}

void appendCaptured(RecordingBuffer& recording, const Sample* samples, std::size_t count) {
    std::lock_guard lock(g_fileMutex);
    appendToRecording(recording, samples, count);
}

void changeCapturedFormat(RecordingBuffer& recording, std::uint16_t channels,
                          std::uint32_t sampleRate) {
    std::lock_guard lock(g_fileMutex);
    recording.formats.push_back({recordedSampleCount(recording), channels, sampleRate});
}

void stopFileWriter() {
    stopWorker(g_fileMutex, g_fileCond, g_fileWriterRunning, g_fileWriterThread);
}
