// The window thread's message loop: retrieval in Windows' order, dispatch to window procedures,
// the quit message, and the user input tests queue.
#include <condition_variable>
#include <utility>

#include "tests/standin/script/message_script.h"
#include "tests/standin/src/win_window_internal.h"

namespace standin::window_system {
namespace {

std::mutex holdMutex;
std::condition_variable holdCond;
bool holdRequested = false;
bool held = false;

void blockWhileHeld() {
    std::unique_lock lock(holdMutex);
    held = true;
    holdCond.notify_all();
    holdCond.wait(lock, [] { return !holdRequested; });
    held = false;
}

// Input reaches a window only while it and its ancestors are enabled, as a modal dialog's owner
// or a disabled button ignores clicks.
bool acceptInput(const MSG& input) {
    if (input.message == kHoldInput) {
        blockWhileHeld();
        return false;
    }
    if (input.message == kAnswerInput) {
        return true;
    }
    std::lock_guard lock(stateMutex);
    return enabledChain(input.hwnd);
}

HWND firstWindowToPaint() {
    std::lock_guard lock(stateMutex);
    for (HWND window : state.creationOrder) {
        if (state.windows[window].dirty && visibleChain(window)) {
            return window;
        }
    }
    return nullptr;
}

std::optional<int> takeQuit() {
    std::lock_guard lock(stateMutex);
    if (!std::exchange(state.quitPending, false)) {
        return std::nullopt;
    }
    return state.quitCode;
}

}  // namespace

MSG nextMessage() {
    for (;;) {
        MSG msg{};
        const Queued taken = takeNext(msg);
        if (taken == Queued::posted || (taken == Queued::input && acceptInput(msg))) {
            return msg;
        }
        if (taken == Queued::input) {
            continue;
        }
        if (const std::optional<int> code = takeQuit(); code) {
            return MSG{nullptr, WM_QUIT, static_cast<WPARAM>(*code), 0, 0, {0, 0}};
        }
        if (HWND window = firstWindowToPaint(); window != nullptr) {
            return MSG{window, WM_PAINT, 0, 0, 0, {0, 0}};
        }
        waitForQueueWork();
    }
}

}  // namespace standin::window_system

using namespace standin::window_system;

BOOL GetMessageW(MSG* msg, HWND, UINT, UINT) {
    *msg = nextMessage();
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG*) {
    // There is no keyboard here, so there are no characters to translate.
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    // Messages to no window, or to a window already destroyed, are dropped.
    return send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
    std::lock_guard lock(stateMutex);
    state.quitPending = true;
    state.quitCode = exitCode;
    state.events.push_back({standin::WindowEventKind::quitPosted, nullptr, {}});
}

namespace standin {

void click(HWND button) {
    queueInput(MSG{button, BM_CLICK, 0, 0, 0, {0, 0}});
}

void clickCloseBox(HWND window) {
    queueInput(MSG{window, WM_SYSCOMMAND, SC_CLOSE, 0, 0, {0, 0}});
}

bool holdWindowThread(std::chrono::milliseconds timeout) {
    {
        std::lock_guard lock(holdMutex);
        holdRequested = true;
    }
    queueInput(MSG{nullptr, kHoldInput, 0, 0, 0, {0, 0}});
    std::unique_lock lock(holdMutex);
    return holdCond.wait_for(lock, timeout, [] { return held; });
}

void releaseWindowThread() {
    {
        std::lock_guard lock(holdMutex);
        holdRequested = false;
    }
    holdCond.notify_all();
}

}  // namespace standin
