// What the stand-in's window system files share: the records of every window and class, the
// message retrieval of the window thread, and synchronous delivery to a window procedure.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tests/standin/script/window_script.h"

namespace standin::window_system {

// Messages of the stand-in's own input queue entries; above every message the program uses.
constexpr UINT kAnswerInput = 0xC101;
constexpr UINT kHoldInput = 0xC102;

struct WindowRecord {
    WindowInfo info;
    WNDPROC procedure = nullptr;
    bool dirty = true;  // needs painting
    bool destroying = false;
};

struct State {
    std::map<std::wstring, WindowClassInfo> classes;
    std::map<HWND, WindowRecord> windows;
    std::vector<HWND> creationOrder;
    std::vector<WindowEvent> events;
    std::vector<SaveDialogRecord> saveDialogs;
    bool saveDialogOpen = false;
    std::map<WPARAM, std::optional<std::wstring>> answers;
    WPARAM nextAnswer = 1;
    std::vector<MessageBoxRecord> messageBoxes;
    std::function<void(const MessageBoxRecord&)> messageBoxHook;
    std::vector<int> messageBoxAnswers;  // for the next boxes that ask a question, in order
    std::vector<DrawItemRecord> drawItems;
    std::vector<MSG> defaultHandled;
    std::optional<int> quitCode;
    bool quitPending = false;
    std::optional<std::wstring> failCreation;
    int foreignThreadCalls = 0;
    std::uintptr_t nextHandle = 0x1000;
    ATOM nextAtom = 0xC000;
};

// Every record above is guarded by this mutex. It is never held while a window procedure runs or
// while the window thread waits.
extern std::mutex stateMutex;
extern State state;

// The window's record, or nullptr; the caller holds stateMutex. A call from a thread other than
// the window's creator is counted, as USER would marshal or refuse it.
WindowRecord* find(HWND window);
// Whether the window and all its ancestors exist and are enabled / visible.
bool enabledChain(HWND window);
bool visibleChain(HWND window);

// Calls the window's procedure on this thread, as SendMessageW does for a window of the thread.
LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The window thread's next message, in the order Windows retrieves them: posted messages, input,
// the quit message, paint. Waits while there is none.
MSG nextMessage();

}  // namespace standin::window_system
