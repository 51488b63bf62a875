// How tests act as the user of the stand-in's window system (clicks, the close box, answers to
// the save dialog) and read back what the program did with its windows.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "standin/win_window.h"

namespace standin {

struct WindowClassInfo {
    UINT style = 0;
    WNDPROC procedure = nullptr;
    int classExtra = 0;
    int windowExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    bool hasMenuName = false;
};

struct WindowInfo {
    std::wstring className;
    std::wstring text;
    DWORD exStyle = 0;
    DWORD style = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    HWND parent = nullptr;
    INT_PTR id = 0;  // the menu argument of a child
    HINSTANCE instance = nullptr;
    bool hasParam = false;
    bool enabled = true;
    bool visible = false;
    int showCommand = -1;  // the last ShowWindow's, -1 before any
    bool destroyed = false;
    std::thread::id thread;  // the creating thread
};

// What the program did, in order.
enum class WindowEventKind {
    created,
    textSet,
    enabled,
    disabled,
    destroyed,
    saveDialogOpened,
    saveDialogClosed,
    messageBox,
    quitPosted,
};

struct WindowEvent {
    WindowEventKind kind;
    HWND window = nullptr;
    std::wstring text;
};

struct SaveDialogRecord {
    OPENFILENAMEW fields{};  // as the program filled them in; its pointers die with the dialog
    std::vector<std::wstring> filter;  // lpstrFilter split at its NULs
    std::wstring proposedName;         // the buffer's content when the dialog opened
    std::thread::id thread;
};

struct MessageBoxRecord {
    HWND owner = nullptr;
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
    std::thread::id thread;
};

struct DrawItemRecord {
    HWND item = nullptr;
    DRAWITEMSTRUCT fields{};
    LRESULT result = 0;
};

// Forgets every window, class, record and script, and empties the message queue.
void resetWindows();

// User input, queued for the window thread and taken after posted messages, as Windows does.
// A click or close box reaches nothing while the window or one of its ancestors is disabled.
void click(HWND button);
void clickCloseBox(HWND window);
// Confirms the open save dialog (or the next one to open) with this path, or cancels it.
void answerSaveDialog(std::optional<std::wstring> path);

// Blocks the window thread, once it has handled the messages already posted, until
// releaseWindowThread, as a busy window thread would be; returns once it is blocked.
bool holdWindowThread(std::chrono::milliseconds timeout);
void releaseWindowThread();

// Makes the next CreateWindowExW of this class fail.
void failNextCreation(const std::wstring& className);
// The button the next message box with more than OK is closed with (IDYES, IDNO); unanswered,
// such a box is closed with IDNO.
void answerMessageBox(int button);
// Runs on the calling thread while a message box is open.
void onMessageBox(std::function<void(const MessageBoxRecord&)> hook);

std::optional<WindowClassInfo> registeredClass(const std::wstring& name);
std::optional<WindowInfo> windowInfo(HWND window);
HWND findWindow(const std::wstring& className);
std::vector<HWND> childWindows(HWND parent);  // in creation order
std::vector<WindowEvent> windowEvents();
std::vector<SaveDialogRecord> saveDialogs();
bool saveDialogOpen();
std::vector<MessageBoxRecord> messageBoxes();
std::vector<DrawItemRecord> drawItems();
std::vector<MSG> defaultHandled();  // every DefWindowProcW call
std::optional<int> quitCode();      // PostQuitMessage's argument, once called
// USER calls made on a window from a thread other than its creator.
int foreignThreadCalls();

}  // namespace standin
