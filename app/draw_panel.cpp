#include "app/control_ids.h"
#include "app/window_handlers.h"
#include "display/panels.h"

LRESULT drawPanel(WPARAM id, LPARAM item) {
    const auto* drawItem = reinterpret_cast<const DRAWITEMSTRUCT*>(item);
    switch (id) {
        case kLevelPanelId:
            return paintLevelPanel(drawItem->hDC, drawItem->rcItem);
        case kWavePanelId:
            return paintWavePanel(drawItem->hDC, drawItem->rcItem);
        case kSpectrumPanelId:
            return paintSpectrumPanel(drawItem->hDC, drawItem->rcItem);
        default:
            return 0;
    }
}
