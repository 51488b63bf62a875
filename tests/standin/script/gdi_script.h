// How tests create device contexts backed by pixel buffers, read back what was drawn, and read
// the log of the GDI calls made on them.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "standin/win_gdi.h"

namespace standin {

enum class GdiOp {
    fillRect,
    createSolidBrush,
    createPen,
    selectObject,
    moveToEx,
    lineTo,
    deleteObject,
    setBkMode,
    setTextColor,
    textOut,
};

// One GDI call. Fields that do not apply to the call stay at their defaults.
struct GdiCall {
    GdiOp op = GdiOp::fillRect;
    HDC dc = nullptr;
    // FillRect: the brush; Create*: the new object; SelectObject, DeleteObject: the argument.
    HGDIOBJ object = nullptr;
    // SelectObject: the object it returned (the one replaced).
    HGDIOBJ previous = nullptr;
    RECT rect{};       // FillRect
    POINT from{};      // LineTo: the current position it started at
    POINT to{};        // MoveToEx, LineTo: the point given; TextOutW: the text position
    int penStyle = 0;  // CreatePen: as created; MoveToEx, LineTo: the selected pen's
    int penWidth = 0;
    // CreatePen, CreateSolidBrush: as created; FillRect: the brush's; MoveToEx, LineTo: the
    // selected pen's; SetTextColor: the argument; TextOutW: the device context's text colour.
    COLORREF color = 0;
    int bkMode = 0;     // SetBkMode: the argument; TextOutW: the device context's mode at the time
    std::wstring text;  // TextOutW
    bool succeeded = true;
    // A watched mutex was locked (by any thread) while the call ran.
    bool watchedMutexHeld = false;
};

// A device context drawing into width x height pixels, all white at first, with the state of a
// fresh DC: the stock black pen and white brush selected, position (0, 0), background mode
// OPAQUE, text colour black. Its background colour is the button face, as a static control's
// parent sets it up before WM_DRAWITEM.
HDC createMemoryDc(int width, int height);
void releaseMemoryDc(HDC dc);

// The pixel at (x, y) as a COLORREF; out-of-range coordinates read as 0xFFFFFFFF.
COLORREF pixelAt(HDC dc, int x, int y);
// The object of the pen's or the brush's kind currently selected into the device context.
HGDIOBJ selectedPen(HDC dc);
HGDIOBJ selectedBrush(HDC dc);
// Pens and brushes created and not yet deleted.
std::size_t liveObjectCount();

std::vector<GdiCall> gdiCalls();
void resetGdiCalls();

// Mutexes that no GDI call may run under. Each call checks them from a helper thread (a thread
// may not try_lock a std::mutex it owns) and marks itself in the log when one is locked. Tests
// that lock these mutexes on other threads while painting must clear the list first.
void watchMutexes(std::vector<std::mutex*> mutexes);
// Used by the GDI calls themselves.
bool watchedMutexHeld();

}  // namespace standin
