// Drives the real window from a second Windows process under Wine, as a user would:
//   start PATH  clicks "Start Recording", saves to PATH in the save dialog, waits for
//               "Recording..." and prints "client X Y WIDTH HEIGHT" (screen coordinates)
//   stop        clicks "Stop", waits for "Saved to: ", then closes the window
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr int kWaitMs = 30000;

bool statusStartsWith(HWND window, const wchar_t* prefix) {
    wchar_t text[512] = {};
    GetDlgItemTextW(window, 0, text, 512);
    return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

template <typename Condition>
bool waitFor(Condition condition) {
    for (int waited = 0; waited < kWaitMs; waited += 50) {
        if (condition()) {
            return true;
        }
        Sleep(50);
    }
    return condition();
}

HWND findMainWindow() {
    HWND window = nullptr;
    waitFor([&] {
        window = FindWindowW(L"HarkboxApp", nullptr);
        return window != nullptr && IsWindowVisible(window);
    });
    return window;
}

struct DialogSearch {
    HWND owner;
    HWND dialog;
};

BOOL CALLBACK matchSaveDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (std::wcscmp(className, L"#32770") == 0 && GetWindow(window, GW_OWNER) == search->owner &&
        IsWindowVisible(window)) {
        search->dialog = window;
        return FALSE;
    }
    return TRUE;
}

// The file name box: an Edit inside a ComboBox inside a ComboBoxEx32.
HWND fileNameEdit(HWND dialog) {
    HWND box = FindWindowExW(dialog, nullptr, L"ComboBoxEx32", nullptr);
    HWND combo = box != nullptr ? FindWindowExW(box, nullptr, L"ComboBox", nullptr) : nullptr;
    return combo != nullptr ? FindWindowExW(combo, nullptr, L"Edit", nullptr) : nullptr;
}

void click(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

int start(HWND window, const wchar_t* path) {
    click(window, 1);
    DialogSearch search{window, nullptr};
    if (!waitFor([&] {
            EnumWindows(matchSaveDialog, reinterpret_cast<LPARAM>(&search));
            return search.dialog != nullptr && fileNameEdit(search.dialog) != nullptr;
        })) {
        std::fprintf(stderr, "no save dialog\n");
        return 1;
    }
    SendMessageW(fileNameEdit(search.dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
    PostMessageW(search.dialog, WM_COMMAND, IDOK, 0);
    if (!waitFor([&] { return statusStartsWith(window, L"Recording..."); })) {
        std::fprintf(stderr, "the status line never read Recording...\n");
        return 1;
    }
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT client{};
    GetClientRect(window, &client);
    std::printf("client %ld %ld %ld %ld\n", static_cast<long>(origin.x),
                static_cast<long>(origin.y), static_cast<long>(client.right),
                static_cast<long>(client.bottom));
    return 0;
}

int stop(HWND window) {
    click(window, 2);
    if (!waitFor([&] { return statusStartsWith(window, L"Saved to: "); })) {
        std::fprintf(stderr, "the status line never read Saved to:\n");
        return 1;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (!waitFor([&] { return IsWindow(window) == FALSE; })) {
        std::fprintf(stderr, "the window did not close\n");
        return 1;
    }
    return 0;
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring command = count > 1 ? args[1] : L"";
    const HWND window = findMainWindow();
    if (window == nullptr) {
        std::fprintf(stderr, "no main window\n");
        return 1;
    }
    if (command == L"start" && count == 3) {
        return start(window, args[2]);
    }
    if (command == L"stop") {
        return stop(window);
    }
    std::fprintf(stderr, "usage: start PATH | stop\n");
    return 2;
}
