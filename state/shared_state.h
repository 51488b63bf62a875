// The state the window, capture and analysis threads share, and the messages by which the
// workers tell the window what happened.
//
// Lock order: g_waveMutex before g_queueMutex. g_spectrumMutex and g_fileMutex are never held
// with another mutex. No mutex is held while joining, posting, drawing or writing the file.
//
// Threads: the window thread starts and joins the capture thread; the capture thread starts and
// joins the analysis thread and the file writer, which never outlive it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "state/recording.h"
#include "state/samples.h"

// Posted (never sent) with wParam and lParam 0.
constexpr UINT WM_SPECTRUM_READY = WM_APP + 1;
constexpr UINT WM_CAPTURE_DONE = WM_APP + 2;
constexpr UINT WM_CAPTURE_STARTED = WM_APP + 3;

// How the last recording ended, stored by the capture thread before it posts WM_CAPTURE_DONE.
// An audio set-up step that fails names its cause where the user can act on it.
enum class CaptureOutcome {
    saved,
    microphoneUnavailable,   // an audio set-up step failed for any other reason
    microphoneAccessDenied,  // the privacy setting keeps desktop programs from the microphone
    noMicrophone,            // there is no capture device
    microphoneInUse,         // another program holds the device in exclusive mode
    audioServiceNotRunning,
    microphoneDisconnected,  // the device went away while it was being opened
    unsupportedFormat,
    outOfMemory,  // the recording could not be set up
    fileNotCreated,
    fileNotWritten,
    // A place chosen to save a recording whose file failed is one of that recording's earlier
    // files; nothing was written to it.
    earlierFileChosen,
};

// Why the capture loop ended; the file is written in every case. A stream that fails does not
// end it: the recording waits for a microphone and goes on.
enum class CaptureEnd {
    stopped,      // Stop, or closing
    outOfMemory,  // the recording could not grow
};

extern std::mutex g_queueMutex;
extern std::condition_variable g_queueCond;
extern std::mutex g_waveMutex;
extern std::mutex g_spectrumMutex;
// Guards the capture thread's recording buffer while the file writer reads it, and
// g_fileWriterRunning's hand-over (capture/file_writer.h).
extern std::mutex g_fileMutex;
extern std::condition_variable g_fileCond;

extern std::atomic<bool> g_recording;
extern std::atomic<bool> g_captureActive;
extern std::atomic<bool> g_closePending;
extern std::atomic<bool> g_analysisRunning;
// Cleared under g_fileMutex by the capture thread to end the file writer.
extern std::atomic<bool> g_fileWriterRunning;
// The current or last recording's file stopped taking data; the recording is kept in memory.
// Cleared by the capture thread at its start, set by the file writer.
extern std::atomic<bool> g_fileFailed;
extern std::atomic<float> g_level;
extern std::atomic<float> g_peakHz;
extern std::atomic<CaptureOutcome> g_captureOutcome;
extern std::atomic<CaptureEnd> g_captureEnd;
// Gaps the audio system reported in the current or last recording; written by the capture thread.
extern std::atomic<std::uint32_t> g_gapCount;
// Files the current or last recording (or its saving elsewhere) has begun, the current one
// included: more than one once a file was as large as a WAV file can be. Written by the capture
// thread at the start, then by the thread that writes the files.
extern std::atomic<unsigned> g_fileCount;
// The "(n)" in the current or last file's name: g_fileCount unless the numbering skipped a name
// that was taken.
extern std::atomic<unsigned> g_lastFileNumber;
// The current recording's stream failed and no microphone has opened since; set and cleared by
// the capture thread.
extern std::atomic<bool> g_waitingForMicrophone;
// The rate of the blocks queued for analysis: guarded by g_queueMutex while the analysis thread
// runs, so that a block is analysed at the rate it was recorded at.
extern std::int32_t g_sampleRate;

extern HWND g_mainWindow;
extern HWND g_startButton;
extern HWND g_stopButton;
extern HWND g_statusText;
extern HWND g_levelPanel;
extern HWND g_wavePanel;
extern HWND g_spectrumPanel;

extern std::thread g_captureThread;
extern std::wstring g_outputPath;
extern std::vector<Sample> g_leftHistory;  // guarded by g_waveMutex
extern std::vector<float> g_spectrum;      // guarded by g_spectrumMutex
extern std::string g_outputPathUtf8;
extern std::vector<float> g_fftWork;                           // analysis thread only
extern std::deque<SampleBlock> g_blockQueue;                   // guarded by g_queueMutex
extern std::thread g_analysisThread;                           // capture thread only
extern std::thread g_fileWriterThread;                         // capture thread only
extern std::chrono::steady_clock::time_point g_lastBlockTime;  // capture thread only
extern std::once_flag g_lastBlockTimeSet;
// A recording whose files failed, kept until the user saves it elsewhere or discards it. Handed
// over by the capture thread before it posts WM_CAPTURE_DONE; from then on the window thread's,
// which lends it to the thread that saves it and releases it once that thread is joined and the
// recording saved, or when the user discards it.
extern std::unique_ptr<Recording> g_unsavedRecording;

// Starts a thread running function(arguments...) in `thread`, which must not be joinable; false
// when the system cannot create it: it throws std::system_error, or std::bad_alloc when the new
// thread's state cannot be allocated.
template <typename... Arguments>
bool startThread(std::thread& thread, Arguments&&... arguments) {
    try {
        thread = std::thread(std::forward<Arguments>(arguments)...);
        return true;
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    return false;
}

// Ends a worker that waits on `wake` while `running` is set, and joins it: the flag is cleared
// under the mutex the worker tests it under, so that the worker cannot sleep through the
// notification that follows.
void stopWorker(std::mutex& mutex, std::condition_variable& wake, std::atomic<bool>& running,
                std::thread& worker);
