#include "state/shared_state.h"

#include "state/utf8.h"

std::mutex g_queueMutex;
std::condition_variable g_queueCond;
std::mutex g_waveMutex;
std::mutex g_spectrumMutex;
std::mutex g_fileMutex;
std::condition_variable g_fileCond;

std::atomic<bool> g_recording{false};
std::atomic<bool> g_captureActive{false};
std::atomic<bool> g_closePending{false};
std::atomic<bool> g_analysisRunning{false};
std::atomic<bool> g_fileWriterRunning{false};
std::atomic<bool> g_fileFailed{false};
std::atomic<float> g_level{0.0f};
std::atomic<float> g_peakHz{0.0f};
std::atomic<CaptureOutcome> g_captureOutcome{CaptureOutcome::saved};
std::atomic<CaptureEnd> g_captureEnd{CaptureEnd::stopped};
std::atomic<std::uint32_t> g_gapCount{0};
std::atomic<unsigned> g_fileCount{0};
std::atomic<unsigned> g_lastFileNumber{0};
std::atomic<bool> g_waitingForMicrophone{false};
std::int32_t g_sampleRate = 44100;

HWND g_mainWindow = nullptr;
HWND g_startButton = nullptr;
HWND g_stopButton = nullptr;
HWND g_statusText = nullptr;
HWND g_levelPanel = nullptr;
HWND g_wavePanel = nullptr;
HWND g_spectrumPanel = nullptr;

// Dynamically initialised in this order (and destroyed in the reverse one); g_outputPathUtf8 is
// derived from g_outputPath, which must exist first.
std::thread g_captureThread;
std::wstring g_outputPath = L"output.wav";
std::vector<Sample> g_leftHistory;
std::vector<float> g_spectrum;
std::string g_outputPathUtf8 = utf8FromWide(g_outputPath);
std::vector<float> g_fftWork;
std::deque<SampleBlock> g_blockQueue;
std::thread g_analysisThread;
std::thread g_fileWriterThread;
std::chrono::steady_clock::time_point g_lastBlockTime;
std::once_flag g_lastBlockTimeSet;
std::unique_ptr<Recording> g_unsavedRecording;

void stopWorker(std::mutex& mutex, std::condition_variable& wake, std::atomic<bool>& running,
                std::thread& worker) {
    {
        std::lock_guard lock(mutex);
        running = false;
    }
    wake.notify_all();
    if (worker.joinable()) {
        worker.join();
    }
}
