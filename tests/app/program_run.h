// The program's WinMain on a window thread of its own against the stand-in, and the user's side:
// clicks, the save dialog, the close box, and what the window shows.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/standin/script/audio_script.h"
#include "tests/standin/script/message_script.h"
#include "tests/standin/script/window_script.h"
#include "tests/support/wait.h"

namespace app_test {

using namespace std::chrono_literals;

using testing_support::waitUntil;

// A 48 kHz stereo 16-bit endpoint whose packets of `frames` frames arrive every `period`, each
// sample a function of its position so that a file shows any sample lost, repeated or moved.
standin::EndpointScript steadyEndpoint(UINT32 frames = 96,
                                       std::chrono::microseconds period = 2000us);

// The samples the endpoint handed out since it was set, interleaved as delivered.
std::vector<std::int16_t> deliveredSamples();

class ProgramRun {
  public:
    // Resets the window system and starts WinMain with this show state; returns once the main
    // window has been shown and its panels painted.
    explicit ProgramRun(int showCommand = SW_SHOW);
    // A run still going is closed, and its window thread joined, whatever the test did.
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    HWND main() const { return main_; }
    HWND startButton() const { return controls_.at(0); }
    HWND stopButton() const { return controls_.at(1); }
    HWND statusLine() const { return controls_.at(2); }
    const std::vector<HWND>& controls() const { return controls_; }

    std::wstring status() const;
    // Every text the status line was given after "Ready", in order.
    std::vector<std::wstring> statusHistory() const;
    bool waitForStatus(const std::wstring& text, std::chrono::milliseconds timeout = 10s) const;
    bool waitForDialogCount(std::size_t count) const;

    // Start, answered with this path (or cancelled); returns once the dialog has closed.
    void startWith(const std::optional<std::wstring>& path);
    // Start, confirmed, until the window shows "Recording...".
    void record(const std::wstring& path);
    // Stop, until the window reports the end of the capture.
    void stopAndWait();

    bool windowDestroyed() const;
    // Waits for WinMain to return; its result, or nothing after the timeout.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout = 10s);

  private:
    HWND main_ = nullptr;
    std::vector<HWND> controls_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    int exitCode_ = -1;
};

// A path of the temporary test directory as the dialog returns it.
std::wstring widePath(const std::filesystem::path& path);

// A test of the whole program: the steady endpoint, and a fresh folder for its files.
class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A file of the folder, as the save dialog returns its path.
    std::wstring pathOf(const std::string& name) const { return widePath(dir_ / name); }

    std::filesystem::path dir_;
};

}  // namespace app_test
