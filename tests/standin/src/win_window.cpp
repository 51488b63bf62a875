// Window classes, windows and the two kinds of child control the program uses (push buttons and
// static controls, owner-drawn or text), with the attributes tests read back.
#include <algorithm>
#include <cwctype>
#include <thread>
#include <utility>

#include "tests/standin/script/gdi_script.h"
#include "tests/standin/script/message_script.h"
#include "tests/standin/src/win_window_internal.h"

namespace standin::window_system {

std::mutex stateMutex;
State state;

namespace {

// Class names compare without regard to case, as USER compares them.
std::wstring classKey(LPCWSTR name) {
    std::wstring key = name == nullptr ? std::wstring() : std::wstring(name);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    return key;
}

void addEvent(WindowEventKind kind, HWND window, std::wstring text = {}) {
    state.events.push_back({kind, window, std::move(text)});
}

LRESULT CALLBACK buttonProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == BM_CLICK) {
        HWND parent = nullptr;
        INT_PTR id = 0;
        {
            std::lock_guard lock(stateMutex);
            const WindowRecord* button = find(window);
            // A disabled button sends no BN_CLICKED.
            if (button == nullptr || !button->info.enabled) {
                return 0;
            }
            parent = button->info.parent;
            id = button->info.id;
        }
        send(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
             reinterpret_cast<LPARAM>(window));
        return 0;
    }
    if (message == WM_PAINT) {
        std::lock_guard lock(stateMutex);
        if (WindowRecord* button = find(window); button != nullptr) {
            button->dirty = false;
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// An owner-drawn static control asks its parent to paint it, into a device context of its size.
void drawOwnerDrawn(HWND window, const WindowInfo& info) {
    const HDC dc = createMemoryDc(info.width, info.height);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.CtlID = static_cast<UINT>(info.id);
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = window;
    item.hDC = dc;
    item.rcItem = RECT{0, 0, info.width, info.height};
    const LRESULT result = send(info.parent, WM_DRAWITEM, static_cast<WPARAM>(info.id),
                                reinterpret_cast<LPARAM>(&item));
    releaseMemoryDc(dc);
    std::lock_guard lock(stateMutex);
    state.drawItems.push_back({window, item, result});
}

LRESULT CALLBACK staticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    WindowInfo info;
    {
        std::lock_guard lock(stateMutex);
        WindowRecord* control = find(window);
        if (control == nullptr) {
            return 0;
        }
        control->dirty = false;
        info = control->info;
    }
    if ((info.style & SS_TYPEMASK) == SS_OWNERDRAW) {
        drawOwnerDrawn(window, info);
    }
    return 0;
}

WNDPROC builtInProcedure(const std::wstring& key) {
    if (key == L"BUTTON") {
        return buttonProcedure;
    }
    if (key == L"STATIC") {
        return staticProcedure;
    }
    return nullptr;
}

void markTreeDirty(HWND root) {
    for (HWND window : state.creationOrder) {
        for (HWND at = window; at != nullptr; at = state.windows[at].info.parent) {
            if (at == root) {
                state.windows[window].dirty = true;
                break;
            }
        }
    }
}

}  // namespace

WindowRecord* find(HWND window) {
    const auto found = state.windows.find(window);
    if (found == state.windows.end() || found->second.info.destroyed) {
        return nullptr;
    }
    if (found->second.info.thread != std::this_thread::get_id()) {
        ++state.foreignThreadCalls;
    }
    return &found->second;
}

namespace {

// Whether the window and all its ancestors exist and have the given attribute set.
bool chainHas(HWND window, bool WindowInfo::*attribute) {
    for (HWND at = window; at != nullptr;) {
        const auto found = state.windows.find(at);
        if (found == state.windows.end() || found->second.info.destroyed ||
            !(found->second.info.*attribute)) {
            return false;
        }
        at = found->second.info.parent;
    }
    return window != nullptr;
}

}  // namespace

bool enabledChain(HWND window) {
    return chainHas(window, &WindowInfo::enabled);
}

bool visibleChain(HWND window) {
    return chainHas(window, &WindowInfo::visible);
}

LRESULT send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = nullptr;
    {
        std::lock_guard lock(stateMutex);
        if (const WindowRecord* record = find(window); record != nullptr) {
            procedure = record->procedure;
        }
    }
    return procedure == nullptr ? 0 : procedure(window, message, wParam, lParam);
}

}  // namespace standin::window_system

using namespace standin::window_system;

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    // Only the system's arrow cursor exists here.
    if (instance != nullptr || name != IDC_ARROW) {
        return nullptr;
    }
    return reinterpret_cast<HCURSOR>(std::uintptr_t{0x10011});
}

ATOM RegisterClassW(const WNDCLASSW* windowClass) {
    std::lock_guard lock(stateMutex);
    if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr) {
        return 0;
    }
    const std::wstring key = classKey(windowClass->lpszClassName);
    if (key.empty() || state.classes.count(key) != 0 || builtInProcedure(key) != nullptr) {
        return 0;
    }
    state.classes[key] = standin::WindowClassInfo{
        windowClass->style,      windowClass->lpfnWndProc,   windowClass->cbClsExtra,
        windowClass->cbWndExtra, windowClass->hInstance,     windowClass->hIcon,
        windowClass->hCursor,    windowClass->hbrBackground, windowClass->lpszMenuName != nullptr};
    return state.nextAtom++;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
    HWND window = nullptr;
    {
        std::lock_guard lock(stateMutex);
        const std::wstring key = classKey(className);
        WNDPROC procedure = builtInProcedure(key);
        if (const auto found = state.classes.find(key); found != state.classes.end()) {
            procedure = found->second.procedure;
        }
        if (procedure == nullptr || (parent != nullptr && find(parent) == nullptr) ||
            ((style & WS_CHILD) != 0 && parent == nullptr)) {
            return nullptr;
        }
        if (state.failCreation && classKey(state.failCreation->c_str()) == key) {
            state.failCreation.reset();
            return nullptr;
        }
        window = reinterpret_cast<HWND>(state.nextHandle);
        state.nextHandle += 0x10;
        WindowRecord record;
        record.procedure = procedure;
        standin::WindowInfo& info = record.info;
        info.className = className;
        info.text = windowName == nullptr ? L"" : windowName;
        info.exStyle = exStyle;
        info.style = style;
        info.x = x;
        info.y = y;
        info.width = width;
        info.height = height;
        info.parent = parent;
        info.id = (style & WS_CHILD) != 0 ? reinterpret_cast<INT_PTR>(menu) : 0;
        info.instance = instance;
        info.hasParam = param != nullptr;
        info.visible = (style & WS_VISIBLE) != 0;
        info.thread = std::this_thread::get_id();
        state.windows[window] = record;
        state.creationOrder.push_back(window);
        addEvent(standin::WindowEventKind::created, window, info.text);
    }
    CREATESTRUCTW create{
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    const auto createParam = reinterpret_cast<LPARAM>(&create);
    if (send(window, WM_NCCREATE, 0, createParam) == 0 ||
        send(window, WM_CREATE, 0, createParam) == -1) {
        DestroyWindow(window);
        return nullptr;
    }
    return window;
}

BOOL ShowWindow(HWND window, int showCommand) {
    std::lock_guard lock(stateMutex);
    WindowRecord* record = find(window);
    if (record == nullptr) {
        return FALSE;
    }
    const bool wasVisible = record->info.visible;
    record->info.visible = showCommand != SW_HIDE;
    record->info.showCommand = showCommand;
    if (!wasVisible && record->info.visible) {
        markTreeDirty(window);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL DestroyWindow(HWND window) {
    {
        std::lock_guard lock(stateMutex);
        WindowRecord* record = find(window);
        if (record == nullptr || record->info.thread != std::this_thread::get_id() ||
            record->destroying) {
            return FALSE;
        }
        record->destroying = true;
    }
    // WM_DESTROY reaches the window first, then its children, while all still exist.
    send(window, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        std::lock_guard lock(stateMutex);
        for (HWND candidate : state.creationOrder) {
            if (state.windows[candidate].info.parent == window) {
                children.push_back(candidate);
            }
        }
    }
    for (HWND child : children) {
        DestroyWindow(child);
    }
    std::lock_guard lock(stateMutex);
    WindowRecord& record = state.windows[window];
    record.info.destroyed = true;
    record.info.visible = false;
    addEvent(standin::WindowEventKind::destroyed, window);
    return TRUE;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
    std::lock_guard lock(stateMutex);
    WindowRecord* record = find(window);
    if (record == nullptr) {
        return FALSE;
    }
    record->info.text = text == nullptr ? L"" : text;
    record->dirty = true;
    addEvent(standin::WindowEventKind::textSet, window, record->info.text);
    return TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
    std::lock_guard lock(stateMutex);
    WindowRecord* record = find(window);
    if (record == nullptr) {
        return FALSE;
    }
    const bool wasDisabled = !record->info.enabled;
    record->info.enabled = enable != FALSE;
    addEvent(
        enable != FALSE ? standin::WindowEventKind::enabled : standin::WindowEventKind::disabled,
        window);
    return wasDisabled ? TRUE : FALSE;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
    std::lock_guard lock(stateMutex);
    WindowRecord* record = find(window);
    if (record == nullptr) {
        return FALSE;
    }
    record->dirty = true;
    return TRUE;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(stateMutex);
        state.defaultHandled.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
        if (message == WM_PAINT) {
            if (WindowRecord* record = find(window); record != nullptr) {
                record->dirty = false;
            }
        }
    }
    switch (message) {
        case WM_NCCREATE:
            return TRUE;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                send(window, WM_CLOSE, 0, 0);
            }
            return 0;
        default:
            return 0;
    }
}

namespace standin {

void resetWindows() {
    resetMessages();
    std::lock_guard lock(stateMutex);
    const std::uintptr_t nextHandle = state.nextHandle;
    state = State{};
    // Handles are never reused, so that one kept from an earlier test names no new window.
    state.nextHandle = nextHandle;
}

void failNextCreation(const std::wstring& className) {
    std::lock_guard lock(stateMutex);
    state.failCreation = className;
}

std::optional<WindowClassInfo> registeredClass(const std::wstring& name) {
    std::lock_guard lock(stateMutex);
    const auto found = state.classes.find(classKey(name.c_str()));
    if (found == state.classes.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<WindowInfo> windowInfo(HWND window) {
    std::lock_guard lock(stateMutex);
    const auto found = state.windows.find(window);
    if (found == state.windows.end()) {
        return std::nullopt;
    }
    return found->second.info;
}

HWND findWindow(const std::wstring& className) {
    std::lock_guard lock(stateMutex);
    for (HWND window : state.creationOrder) {
        const WindowInfo& info = state.windows[window].info;
        if (!info.destroyed && info.parent == nullptr &&
            classKey(info.className.c_str()) == classKey(className.c_str())) {
            return window;
        }
    }
    return nullptr;
}

std::vector<HWND> childWindows(HWND parent) {
    std::lock_guard lock(stateMutex);
    std::vector<HWND> children;
    for (HWND window : state.creationOrder) {
        if (state.windows[window].info.parent == parent) {
            children.push_back(window);
        }
    }
    return children;
}

std::vector<WindowEvent> windowEvents() {
    std::lock_guard lock(stateMutex);
    return state.events;
}

std::vector<DrawItemRecord> drawItems() {
    std::lock_guard lock(stateMutex);
    return state.drawItems;
}

std::vector<MSG> defaultHandled() {
    std::lock_guard lock(stateMutex);
    return state.defaultHandled;
}

std::optional<int> quitCode() {
    std::lock_guard lock(stateMutex);
    return state.quitCode;
}

int foreignThreadCalls() {
    std::lock_guard lock(stateMutex);
    return state.foreignThreadCalls;
}

}  // namespace standin
