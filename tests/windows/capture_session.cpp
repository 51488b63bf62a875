#include "tests/windows/capture_session.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "capture/capture_thread.h"
#include "state/utf8.h"

namespace {

using Clock = std::chrono::steady_clock;

// Generous bounds: Wine loads COM and its audio driver on first use, which can take seconds on a
// loaded machine.
constexpr auto kStartTimeout = std::chrono::seconds(15);
constexpr auto kStopTimeout = std::chrono::seconds(10);

// The capture thread posts to this window; the test thread reads the messages from its queue.
HWND createMessageWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VoxwellCaptureProbe";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

// Counts the capture thread's messages waiting in this thread's queue.
void takeMessages(CaptureSession& session) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_CAPTURE_STARTED) {
            session.startedAfterDone = session.startedAfterDone || session.doneMessages > 0;
            ++session.startedMessages;
        } else if (message.message == WM_CAPTURE_DONE) {
            ++session.doneMessages;
        }
        DispatchMessageW(&message);
    }
}

// Takes messages until the deadline or until stopWhen() holds. Sleeps until a message arrives
// rather than polling: every queue call is a round trip to the wineserver.
template <typename Predicate>
void pumpUntil(Clock::time_point deadline, CaptureSession& session, Predicate stopWhen) {
    takeMessages(session);
    while (!stopWhen()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        takeMessages(session);
    }
}

}  // namespace

CaptureSession runCaptureSession(const std::wstring& path, double seconds) {
    CaptureSession session;
    const HWND window = createMessageWindow();
    if (window == nullptr) {
        // Without it the capture thread's messages would go nowhere and every wait time out.
        std::printf("cannot create the message window (error %lu)\n", GetLastError());
        std::exit(2);
    }
    g_outputPath = path;
    g_outputPathUtf8 = utf8FromWide(g_outputPath);
    g_recording = true;
    std::thread capture(captureThreadMain, g_outputPath, window);

    pumpUntil(Clock::now() + kStartTimeout, session,
              [&] { return session.startedMessages > 0 || session.doneMessages > 0; });
    if (session.startedMessages > 0) {
        const auto started = Clock::now();
        const auto stopAt = started + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(seconds));
        pumpUntil(stopAt, session, [&] { return session.doneMessages > 0; });
        g_recording = false;
        session.secondsCaptured = std::chrono::duration<double>(Clock::now() - started).count();
    } else {
        g_recording = false;  // as the window does when a failed recording reports its end
    }
    pumpUntil(Clock::now() + kStopTimeout, session, [&] { return session.doneMessages > 0; });
    if (session.doneMessages > 0) {
        capture.join();
        // Anything posted after WM_CAPTURE_DONE (a second one would be a fault) is queued by now.
        takeMessages(session);
        session.finished = true;
        session.stillActive = g_captureActive;
        session.outcome = g_captureOutcome;
        session.end = g_captureEnd;
        session.gaps = g_gapCount;
    } else {
        capture.detach();
    }
    DestroyWindow(window);
    return session;
}

const char* outcomeName(CaptureOutcome outcome) {
    switch (outcome) {
        case CaptureOutcome::saved:
            return "saved";
        case CaptureOutcome::microphoneUnavailable:
            return "microphoneUnavailable";
        case CaptureOutcome::microphoneAccessDenied:
            return "microphoneAccessDenied";
        case CaptureOutcome::noMicrophone:
            return "noMicrophone";
        case CaptureOutcome::microphoneInUse:
            return "microphoneInUse";
        case CaptureOutcome::audioServiceNotRunning:
            return "audioServiceNotRunning";
        case CaptureOutcome::microphoneDisconnected:
            return "microphoneDisconnected";
        case CaptureOutcome::unsupportedFormat:
            return "unsupportedFormat";
        case CaptureOutcome::outOfMemory:
            return "outOfMemory";
        case CaptureOutcome::fileNotCreated:
            return "fileNotCreated";
        case CaptureOutcome::fileNotWritten:
            return "fileNotWritten";
        case CaptureOutcome::earlierFileChosen:
            return "earlierFileChosen";
    }
    return "unknown";
}

const char* endName(CaptureEnd end) {
    switch (end) {
        case CaptureEnd::stopped:
            return "stopped";
        case CaptureEnd::outOfMemory:
            return "outOfMemory";
    }
    return "unknown";
}
