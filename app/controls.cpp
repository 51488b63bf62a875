#include "app/control_ids.h"
#include "app/window_handlers.h"
#include "state/shared_state.h"

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPanelStyle = WS_CHILD | WS_VISIBLE | SS_OWNERDRAW;

HWND createChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id,
                 int x, int y, int width, int height) {
    return CreateWindowExW(0, className, text, style, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

}  // namespace

// No font is set: the controls keep the system's default one.
void createControls(HWND window) {
    g_startButton = createChild(window, L"BUTTON", L"Start Recording", kChildStyle | BS_PUSHBUTTON,
                                kStartButtonId, 20, 20, 140, 30);
    g_stopButton = createChild(window, L"BUTTON", L"Stop", kChildStyle | BS_PUSHBUTTON,
                               kStopButtonId, 180, 20, 80, 30);
    g_statusText = createChild(window, L"STATIC", L"Ready", kChildStyle | SS_LEFT, kStatusTextId,
                               20, 60, 340, 20);
    g_levelPanel =
        createChild(window, L"STATIC", nullptr, kPanelStyle, kLevelPanelId, 20, 90, 340, 20);
    g_wavePanel =
        createChild(window, L"STATIC", nullptr, kPanelStyle, kWavePanelId, 20, 120, 340, 40);
    g_spectrumPanel =
        createChild(window, L"STATIC", nullptr, kPanelStyle, kSpectrumPanelId, 20, 170, 340, 40);
}
