#include "capture/file_writer.h"

#include <system_error>

#include "capture/wav_writer.h"
#include "state/shared_state.h"

namespace {

using Clock = std::chrono::steady_clock;

struct WriterRun {
    HANDLE file;
    const RecordingBuffer& recording;
    std::uint16_t channels;
    std::uint32_t sampleRate;
    std::uint64_t written = 0;  // samples in the file, whole frames
};

// Writes every sample captured so far behind those already in the file.
bool writeCaptured(WriterRun& run) {
    for (;;) {
        std::span<const Sample> pending;
        {
            std::lock_guard lock(g_fileMutex);
            pending = samplesAfter(run.recording, run.written);
        }
        if (pending.empty()) {
            return true;
        }
        if (!writeWavSamples(run.file, run.written, pending.data(), pending.size())) {
            return false;
        }
        run.written += pending.size();
    }
}

// Until stopped: every interval the new samples, then the header that describes them, so that
// the header never describes more than the file holds; a flush every few seconds. The file that
// fails once is given up: the recording stays whole in memory.
bool writeUntilStopped(WriterRun& run) {
    auto lastFlush = Clock::now();
    std::uint64_t described = 0;
    bool running = true;
    while (running) {
        {
            std::unique_lock lock(g_fileMutex);
            g_fileCond.wait_for(lock, kFileWriteInterval, [] { return !g_fileWriterRunning; });
            running = g_fileWriterRunning;
        }
        if (!writeCaptured(run)) {
            return false;
        }
        if (run.written != described) {
            if (!writeWavHeader(run.file, run.written, run.channels, run.sampleRate)) {
                return false;
            }
            described = run.written;
        }
        if (!running || Clock::now() - lastFlush >= kFileFlushInterval) {
            if (!flushWavFile(run.file)) {
                return false;
            }
            lastFlush = Clock::now();
        }
    }
    return true;
}

void fileWriterThreadMain(WriterRun run, HWND window) {
    if (!writeUntilStopped(run)) {
        g_fileFailed = true;
        // The window tells the user at once, also while no packet arrives.
        PostMessageW(window, WM_SPECTRUM_READY, 0, 0);
    }
}

}  // namespace

void startFileWriter(HANDLE file, const RecordingBuffer& recording, std::uint16_t channels,
                     std::uint32_t sampleRate, HWND window) {
    if (!writeWavHeader(file, 0, channels, sampleRate)) {
        g_fileFailed = true;
        return;
    }
    g_fileWriterRunning = true;
    try {
        g_fileWriterThread = std::thread(fileWriterThreadMain,
                                         WriterRun{file, recording, channels, sampleRate}, window);
    } catch (const std::system_error&) {
        g_fileWriterRunning = false;
        g_fileFailed = true;
    }
}

void appendCaptured(RecordingBuffer& recording, const Sample* samples, std::size_t count) {
    std::lock_guard lock(g_fileMutex);
    appendToRecording(recording, samples, count);
}

void stopFileWriter() {
    stopWorker(g_fileMutex, g_fileCond, g_fileWriterRunning, g_fileWriterThread);
}
