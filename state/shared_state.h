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
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
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
    fileNotCreated,
    fileNotWritten,
};

// Why the capture loop ended; the file is written in every case.
enum class CaptureEnd {
    stopped,                 // Stop, closing, or the largest size a WAV file can describe
    microphoneDisconnected,  // the stream failed or the device was invalidated
    microphoneError,         // no packet could be taken for a whole second
    outOfMemory,             // the recording could not grow
};

// A recording whose file could not be written, kept (not copied) until the user saves it
// elsewhere or discards it. Filled by the capture thread before it posts WM_CAPTURE_DONE; from
// then on the window thread's, which releases it once it has joined the thread that saved it or
// when the user discards it; a saving thread only reads it.
struct UnsavedRecording {
    RecordingBuffer samples;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
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
extern std::optional<UnsavedRecording> g_unsavedRecording;

// Ends a worker that waits on `wake` while `running` is set, and joins it: the flag is cleared
// under the mutex the worker tests it under, so that the worker cannot sleep through the
// notification that follows.
void stopWorker(std::mutex& mutex, std::condition_variable& wake, std::atomic<bool>& running,
                std::thread& worker);
