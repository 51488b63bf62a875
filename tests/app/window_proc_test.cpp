// The window procedure called directly on the test's thread, and the start-up of WinMain.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <vector>

#include "app/capture_status.h"
#include "app/main_window.h"
#include "app/win_main.h"
#include "display/panels.h"
#include "tests/standin/script/gdi_script.h"
#include "tests/standin/script/window_script.h"
#include "tests/support/failing_allocation.h"
#include "state/shared_state.h"

namespace {

using namespace std::chrono_literals;

HWND mainWindowSeenInCreate = nullptr;

// Records what g_mainWindow held when WM_CREATE had been handled.
LRESULT CALLBACK observingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = mainWindowProc(window, message, wParam, lParam);
    if (message == WM_CREATE) {
        mainWindowSeenInCreate = g_mainWindow;
    }
    return result;
}

class WindowProc : public ::testing::Test {
  protected:
    void SetUp() override {
        standin::resetWindows();
        g_mainWindow = nullptr;
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = observingProc;
        windowClass.lpszClassName = L"HarkboxApp";
        ASSERT_NE(RegisterClassW(&windowClass), 0);
        window_ = CreateWindowExW(0, L"HarkboxApp", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 270,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
    }

    // The pixels a panel's WM_DRAWITEM leaves in a device context of the panel's size.
    std::vector<COLORREF> drawn(WPARAM id, int height, LRESULT& result) {
        const HDC dc = standin::createMemoryDc(340, height);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_STATIC;
        item.CtlID = static_cast<UINT>(id);
        item.hDC = dc;
        item.rcItem = RECT{0, 0, 340, height};
        result = mainWindowProc(window_, WM_DRAWITEM, id, reinterpret_cast<LPARAM>(&item));
        std::vector<COLORREF> pixels = pixelsOf(dc, height);
        standin::releaseMemoryDc(dc);
        return pixels;
    }

    static std::vector<COLORREF> painted(LRESULT (*paint)(HDC, const RECT&), int height,
                                         LRESULT& result) {
        const HDC dc = standin::createMemoryDc(340, height);
        result = paint(dc, RECT{0, 0, 340, height});
        std::vector<COLORREF> pixels = pixelsOf(dc, height);
        standin::releaseMemoryDc(dc);
        return pixels;
    }

    static std::vector<COLORREF> pixelsOf(HDC dc, int height) {
        std::vector<COLORREF> pixels;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < 340; ++x) {
                pixels.push_back(standin::pixelAt(dc, x, y));
            }
        }
        return pixels;
    }

    HWND window_ = nullptr;
};

TEST_F(WindowProc, CreatesItsControlsAndNamesItselfBeforeCreationReturns) {
    EXPECT_EQ(mainWindowSeenInCreate, window_);
    EXPECT_EQ(standin::childWindows(window_).size(), 6u);
    EXPECT_EQ(g_startButton, standin::childWindows(window_)[0]);
    EXPECT_EQ(g_spectrumPanel, standin::childWindows(window_)[5]);
}

TEST_F(WindowProc, DrawItemPaintsTheNamedPanelOnly) {
    g_level = 0.6f;
    g_peakHz = 1234.0f;
    {
        std::lock_guard lock(g_waveMutex);
        g_leftHistory.clear();
        for (int i = 0; i < 4000; ++i) {
            g_leftHistory.push_back(static_cast<Sample>((i % 200 - 100) * 200));
        }
    }
    {
        std::lock_guard lock(g_spectrumMutex);
        g_spectrum.assign(kSpectrumLength, 0.1f);
        g_spectrum[300] = 1.0f;
    }
    struct Panel {
        WPARAM id;
        int height;
        LRESULT (*paint)(HDC, const RECT&);
    };
    const Panel panels[] = {
        {3, 20, paintLevelPanel}, {4, 40, paintWavePanel}, {5, 40, paintSpectrumPanel}};
    for (const Panel& panel : panels) {
        SCOPED_TRACE(panel.id);
        LRESULT viaWindow = -1;
        LRESULT direct = -2;
        const auto pixels = drawn(panel.id, panel.height, viaWindow);
        EXPECT_EQ(pixels, painted(panel.paint, panel.height, direct));
        EXPECT_EQ(viaWindow, direct);
        for (const Panel& other : panels) {
            LRESULT ignored = 0;
            if (other.id != panel.id) {
                EXPECT_NE(pixels, painted(other.paint, panel.height, ignored))
                    << "the panels must look different for this test to tell them apart";
            }
        }
    }

    // Any other identifier, including one whose low 16 bits name a panel, paints nothing.
    const std::size_t defaultsBefore = standin::defaultHandled().size();
    for (const WPARAM id : {WPARAM{0}, WPARAM{1}, WPARAM{6}, WPARAM{0x10003}}) {
        standin::resetGdiCalls();
        LRESULT result = -1;
        drawn(id, 20, result);
        EXPECT_EQ(result, 0) << id;
        EXPECT_TRUE(standin::gdiCalls().empty()) << id;
    }
    EXPECT_EQ(standin::defaultHandled().size(), defaultsBefore);

    // Short of memory for its copy of the data, a panel is skipped, and painted again later.
    for (const Panel& panel : panels) {
        SCOPED_TRACE(panel.id);
        // The panel's copy: a sample per column, or the whole spectrum.
        const std::size_t copy = panel.id == 4 ? 340 * sizeof(Sample) : kSpectrumLength * 4;
        LRESULT result = -1;
        testing_support::failAllocations(copy, copy);
        drawn(panel.id, panel.height, result);
        const int refused = testing_support::refusedAllocations();
        testing_support::stopFailingAllocations();
        if (panel.id != 3) {
            EXPECT_EQ(refused, 1);
            EXPECT_EQ(result, 0);
        }
        drawn(panel.id, panel.height, result);
        EXPECT_EQ(result, 1);
    }
    std::lock_guard lock(g_spectrumMutex);
    g_spectrum.clear();
}

TEST_F(WindowProc, PassesEveryOtherMessageToTheDefaultUnchanged) {
    const LPARAM lParam = -77;
    EXPECT_EQ(mainWindowProc(window_, 0x0405, 0x1234, lParam), 0);
    const MSG last = standin::defaultHandled().back();
    EXPECT_EQ(last.hwnd, window_);
    EXPECT_EQ(last.message, 0x0405u);
    EXPECT_EQ(last.wParam, 0x1234u);
    EXPECT_EQ(last.lParam, lParam);
    // The default's result is returned as it is.
    CREATESTRUCTW create{};
    EXPECT_EQ(mainWindowProc(window_, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)), TRUE);
}

// WinMain runs with a time limit: a start-up failure it did not notice would leave it in a
// message loop that nothing ends.
int runWinMain() {
    auto result = std::async(std::launch::async, [] {
        char commandLine[] = "";
        return WinMain(nullptr, nullptr, commandLine, SW_SHOW);
    });
    if (result.wait_for(5s) != std::future_status::ready) {
        std::fprintf(stderr, "WinMain did not return after a failed start-up\n");
        std::abort();
    }
    return result.get();
}

LRESULT CALLBACK otherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(Startup, EndsAtOnceWhenTheClassOrTheWindowCannotBeMade) {
    // The class name is taken already, so RegisterClassW fails.
    standin::resetWindows();
    WNDCLASSW taken{};
    taken.lpfnWndProc = otherProc;
    taken.lpszClassName = L"HarkboxApp";
    ASSERT_NE(RegisterClassW(&taken), 0);
    EXPECT_EQ(runWinMain(), 0);
    EXPECT_EQ(standin::findWindow(L"HarkboxApp"), nullptr);

    standin::resetWindows();
    standin::failNextCreation(L"HarkboxApp");
    EXPECT_EQ(runWinMain(), 0);
    EXPECT_TRUE(standin::registeredClass(L"HarkboxApp"));
    EXPECT_EQ(standin::findWindow(L"HarkboxApp"), nullptr);
}

TEST(StatusLine, TellsHowARecordingEndedItsGapsAndItsFiles) {
    const std::wstring path = L"C:\\take.wav";
    EXPECT_EQ(recordingStatus(1, 0, false, false), L"Recording...");
    EXPECT_EQ(recordingStatus(1, 1, false, false), L"Recording... (1 gap)");
    EXPECT_EQ(recordingStatus(1, 12, false, false), L"Recording... (12 gaps)");
    EXPECT_EQ(recordingStatus(1, 0, true, false),
              L"Recording... (cannot write the file, kept in memory)");
    EXPECT_EQ(recordingStatus(1, 1, true, false),
              L"Recording... (1 gap, cannot write the file, kept in memory)");
    EXPECT_EQ(recordingStatus(1, 4, true, false),
              L"Recording... (4 gaps, cannot write the file, kept in memory)");
    EXPECT_EQ(recordingStatus(2, 0, false, false), L"Recording... (file 2)");
    EXPECT_EQ(recordingStatus(3, 2, true, false),
              L"Recording... (file 3, 2 gaps, cannot write the file, kept in memory)");
    EXPECT_EQ(recordingStatus(2, 1, false, true),
              L"Recording... (waiting for the microphone, file 2, 1 gap)");

    SavedFiles one;
    one.saved = {path, 1, 1};
    SavedFiles three = one;
    three.saved.count = 3;
    three.saved.lastNumber = 3;
    // Saved elsewhere after the fourth file failed: 1 h 2 min 3.9 s are in the three before it,
    // the last "take (4).wav" since "take (2).wav" was taken.
    SavedFiles elsewhere;
    elsewhere.saved = {L"D:\\again.wav", 1, 1};
    elsewhere.tenthsBefore = 37239;
    elsewhere.beginning = {path, 3, 4};
    // The failed file could not be read back: the new file takes over 5 min 12.3 s into it.
    SavedFiles continuing = elsewhere;
    continuing.tenthsBefore = 0;
    continuing.continues = L"C:\\take (5).wav";
    continuing.tenthsInto = 3123;
    // Discarded: what the recording's files hold.
    SavedFiles discarded = one;
    discarded.beginning = three.saved;
    discarded.tenthsBefore = 37230;
    struct Case {
        CaptureOutcome outcome;
        CaptureEnd end;
        std::uint32_t gaps;
        const SavedFiles& files;
        std::wstring text;
    };
    const Case cases[] = {
        {CaptureOutcome::saved, CaptureEnd::stopped, 0, one, L"Saved to: " + path},
        {CaptureOutcome::saved, CaptureEnd::stopped, 1, one, L"Saved to: " + path + L" (1 gap)"},
        {CaptureOutcome::saved, CaptureEnd::stopped, 3, one, L"Saved to: " + path + L" (3 gaps)"},
        {CaptureOutcome::saved, CaptureEnd::outOfMemory, 2, one,
         L"Recording stopped: out of memory. Saved to: " + path + L" (2 gaps)"},
        {CaptureOutcome::saved, CaptureEnd::stopped, 1, three,
         L"Saved to: " + path + L" and 2 more files (1 gap)"},
        {CaptureOutcome::saved, CaptureEnd::stopped, 0, elsewhere,
         L"Saved to: D:\\again.wav (the first 1:02:03 are in " + path +
             L" and 2 more files, the last take (4).wav)"},
        {CaptureOutcome::saved, CaptureEnd::stopped, 0, continuing,
         L"Saved to: D:\\again.wav (continues C:\\take (5).wav at 0:05:12.3)"},
        {CaptureOutcome::fileNotWritten, CaptureEnd::stopped, 0, discarded,
         L"Not saved; the first 1:02:03 are in " + path + L" and 2 more files"},
        // A file that was not written is never reported saved, however the recording ended.
        {CaptureOutcome::fileNotWritten, CaptureEnd::outOfMemory, 2, one, L"Not saved: " + path},
        {CaptureOutcome::fileNotCreated, CaptureEnd::stopped, 0, one, L"Not saved: " + path},
        {CaptureOutcome::microphoneUnavailable, CaptureEnd::stopped, 0, one,
         L"Recording failed: microphone not available"},
        {CaptureOutcome::microphoneAccessDenied, CaptureEnd::stopped, 0, one,
         L"Recording failed: access to the microphone is turned off (Windows Settings, Privacy, "
         L"Microphone)"},
        {CaptureOutcome::noMicrophone, CaptureEnd::stopped, 0, one,
         L"Recording failed: no microphone found"},
        {CaptureOutcome::microphoneInUse, CaptureEnd::stopped, 0, one,
         L"Recording failed: the microphone is in use by another program"},
        {CaptureOutcome::audioServiceNotRunning, CaptureEnd::stopped, 0, one,
         L"Recording failed: the Windows audio service is not running"},
        {CaptureOutcome::microphoneDisconnected, CaptureEnd::stopped, 0, one,
         L"Recording failed: microphone disconnected"},
        {CaptureOutcome::unsupportedFormat, CaptureEnd::stopped, 0, one,
         L"Recording failed: unsupported audio format"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(captureStatus(c.outcome, c.end, c.gaps, c.files), c.text);
    }
}

}  // namespace
