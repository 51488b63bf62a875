// GDI drawing into in-memory pixel buffers, with a log of every call for tests.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "tests/standin/script/gdi_script.h"

namespace {

enum class ObjectKind { pen, brush };

struct GdiObject {
    ObjectKind kind = ObjectKind::pen;
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
    bool stock = false;
};

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    std::uintptr_t pen = 0;
    std::uintptr_t brush = 0;
    POINT position{0, 0};
    int bkMode = OPAQUE;
    COLORREF bkColor = 0;
    COLORREF textColor = RGB(0, 0, 0);
};

// Handles start well above the system colour brush values (COLOR_* + 1) that FillRect accepts.
constexpr std::uintptr_t kFirstHandle = 0x10000;
constexpr std::uintptr_t kHandleStride = 0x10;
// The dot pattern of a PS_DOT cosmetic pen: this many pixels drawn, then as many skipped.
constexpr std::size_t kDotLength = 3;

std::mutex gdiMutex;
std::uintptr_t nextHandle = kFirstHandle;
std::map<std::uintptr_t, GdiObject> objects;
std::map<std::uintptr_t, Canvas> canvases;
std::vector<standin::GdiCall> callLog;
std::uintptr_t stockPen = 0;
std::uintptr_t stockBrush = 0;

std::uintptr_t newHandle() {
    const std::uintptr_t handle = nextHandle;
    nextHandle += kHandleStride;
    return handle;
}

std::uintptr_t addObject(const GdiObject& object) {
    const std::uintptr_t handle = newHandle();
    objects[handle] = object;
    return handle;
}

void ensureStockObjects() {
    if (stockPen == 0) {
        stockPen = addObject({ObjectKind::pen, PS_SOLID, 1, RGB(0, 0, 0), true});
        stockBrush = addObject({ObjectKind::brush, PS_SOLID, 0, RGB(255, 255, 255), true});
    }
}

std::uintptr_t key(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

HGDIOBJ handleOf(std::uintptr_t value) {
    return reinterpret_cast<HGDIOBJ>(value);
}

Canvas* findCanvas(HDC dc) {
    const auto found = canvases.find(key(dc));
    return found == canvases.end() ? nullptr : &found->second;
}

const GdiObject* findObject(std::uintptr_t handle) {
    const auto found = objects.find(handle);
    return found == objects.end() ? nullptr : &found->second;
}

// Starts a log entry; the watched mutexes are probed before gdiMutex is taken.
standin::GdiCall beginCall(standin::GdiOp op, HDC dc) {
    standin::GdiCall call;
    call.op = op;
    call.dc = dc;
    call.watchedMutexHeld = standin::watchedMutexHeld();
    return call;
}

void plot(Canvas& canvas, int x, int y, COLORREF color) {
    if (x >= 0 && y >= 0 && x < canvas.width && y < canvas.height) {
        canvas.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas.width) +
                      static_cast<std::size_t>(x)] = color;
    }
}

void fill(Canvas& canvas, const RECT& rect, COLORREF color) {
    for (LONG y = rect.top; y < rect.bottom; ++y) {
        for (LONG x = rect.left; x < rect.right; ++x) {
            plot(canvas, x, y, color);
        }
    }
}

// Rounds numerator / denominator (denominator > 0) to the nearest integer, halves toward zero.
int roundedQuotient(int numerator, int denominator) {
    const int magnitude = (2 * std::abs(numerator) + denominator - 1) / (2 * denominator);
    return numerator < 0 ? -magnitude : magnitude;
}

// The pixels of a line from one point to another, both included: one per step along the major
// axis, the other coordinate rounded to nearest with halves toward the start, as GDI draws them.
std::vector<POINT> linePoints(POINT from, POINT to) {
    const int dx = to.x - from.x;
    const int dy = to.y - from.y;
    const int steps = std::max(std::abs(dx), std::abs(dy));
    std::vector<POINT> points;
    for (int i = 0; i <= steps; ++i) {
        if (std::abs(dx) >= std::abs(dy)) {
            const int x = from.x + (dx < 0 ? -i : i);
            points.push_back({x, from.y + (steps == 0 ? 0 : roundedQuotient(i * dy, steps))});
        } else {
            const int y = from.y + (dy < 0 ? -i : i);
            points.push_back({from.x + roundedQuotient(i * dx, steps), y});
        }
    }
    return points;
}

void drawLine(Canvas& canvas, const GdiObject& pen, POINT from, POINT to) {
    std::vector<POINT> points = linePoints(from, to);
    if (pen.width <= 1) {
        // A cosmetic line leaves out its end point; each line starts its dot pattern afresh.
        points.pop_back();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const POINT& point = points[i];
            if (pen.style != PS_DOT) {
                plot(canvas, point.x, point.y, pen.color);
                continue;
            }
            const bool dot = (i / kDotLength) % 2 == 0;
            if (dot) {
                plot(canvas, point.x, point.y, pen.color);
            } else if (canvas.bkMode == OPAQUE) {
                plot(canvas, point.x, point.y, canvas.bkColor);
            }
        }
        return;
    }
    // A geometric pen covers a square of its width around every point, end point included.
    const int before = pen.width / 2;
    for (const POINT& point : points) {
        for (int y = point.y - before; y < point.y - before + pen.width; ++y) {
            for (int x = point.x - before; x < point.x - before + pen.width; ++x) {
                plot(canvas, x, y, pen.color);
            }
        }
    }
}

}  // namespace

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    standin::GdiCall call = beginCall(standin::GdiOp::fillRect, dc);
    call.object = brush;
    call.rect = *rect;
    std::lock_guard lock(gdiMutex);
    Canvas* canvas = findCanvas(dc);
    const std::uintptr_t value = key(brush);
    const GdiObject* object = findObject(value);
    if (value > 0 && value <= COLOR_BTNFACE + 1 && object == nullptr) {
        call.color = GetSysColor(static_cast<int>(value) - 1);
    } else if (object != nullptr && object->kind == ObjectKind::brush) {
        call.color = object->color;
    } else {
        call.succeeded = false;
    }
    call.succeeded = call.succeeded && canvas != nullptr;
    if (call.succeeded) {
        fill(*canvas, *rect, call.color);
    }
    callLog.push_back(call);
    return call.succeeded ? 1 : 0;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    standin::GdiCall call = beginCall(standin::GdiOp::createSolidBrush, nullptr);
    call.color = color;
    std::lock_guard lock(gdiMutex);
    const std::uintptr_t handle = addObject({ObjectKind::brush, PS_SOLID, 0, color, false});
    call.object = handleOf(handle);
    callLog.push_back(call);
    return reinterpret_cast<HBRUSH>(handle);
}

HPEN CreatePen(int style, int width, COLORREF color) {
    standin::GdiCall call = beginCall(standin::GdiOp::createPen, nullptr);
    call.penStyle = style;
    call.penWidth = width;
    call.color = color;
    std::lock_guard lock(gdiMutex);
    // Styled pens exist only one pixel wide; wider ones are solid.
    const int effectiveStyle = width > 1 ? PS_SOLID : style;
    const std::uintptr_t handle = addObject({ObjectKind::pen, effectiveStyle, width, color, false});
    call.object = handleOf(handle);
    callLog.push_back(call);
    return reinterpret_cast<HPEN>(handle);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    standin::GdiCall call = beginCall(standin::GdiOp::selectObject, dc);
    call.object = object;
    std::lock_guard lock(gdiMutex);
    Canvas* canvas = findCanvas(dc);
    const GdiObject* selected = findObject(key(object));
    call.succeeded = canvas != nullptr && selected != nullptr;
    if (call.succeeded) {
        std::uintptr_t& slot = selected->kind == ObjectKind::pen ? canvas->pen : canvas->brush;
        call.previous = handleOf(slot);
        slot = key(object);
    }
    callLog.push_back(call);
    return call.previous;
}

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous) {
    standin::GdiCall call = beginCall(standin::GdiOp::moveToEx, dc);
    call.to = {x, y};
    std::lock_guard lock(gdiMutex);
    Canvas* canvas = findCanvas(dc);
    call.succeeded = canvas != nullptr;
    if (call.succeeded) {
        if (previous != nullptr) {
            *previous = canvas->position;
        }
        const GdiObject& pen = objects.at(canvas->pen);
        call.penStyle = pen.style;
        call.penWidth = pen.width;
        call.color = pen.color;
        canvas->position = {x, y};
    }
    callLog.push_back(call);
    return call.succeeded ? TRUE : FALSE;
}

BOOL LineTo(HDC dc, int x, int y) {
    standin::GdiCall call = beginCall(standin::GdiOp::lineTo, dc);
    call.to = {x, y};
    std::lock_guard lock(gdiMutex);
    Canvas* canvas = findCanvas(dc);
    call.succeeded = canvas != nullptr;
    if (call.succeeded) {
        const GdiObject& pen = objects.at(canvas->pen);
        call.from = canvas->position;
        call.penStyle = pen.style;
        call.penWidth = pen.width;
        call.color = pen.color;
        drawLine(*canvas, pen, canvas->position, call.to);
        canvas->position = call.to;
    }
    callLog.push_back(call);
    return call.succeeded ? TRUE : FALSE;
}

BOOL DeleteObject(HGDIOBJ object) {
    standin::GdiCall call = beginCall(standin::GdiOp::deleteObject, nullptr);
    call.object = object;
    std::lock_guard lock(gdiMutex);
    const auto found = objects.find(key(object));
    call.succeeded = found != objects.end() && !found->second.stock;
    // Deleting an object still selected into a device context is an error; it is refused.
    for (const auto& entry : canvases) {
        if (entry.second.pen == key(object) || entry.second.brush == key(object)) {
            call.succeeded = false;
        }
    }
    if (call.succeeded) {
        objects.erase(found);
    }
    callLog.push_back(call);
    return call.succeeded ? TRUE : FALSE;
}

int SetBkMode(HDC dc, int mode) {
    standin::GdiCall call = beginCall(standin::GdiOp::setBkMode, dc);
    call.bkMode = mode;
    std::lock_guard lock(gdiMutex);
    Canvas* canvas = findCanvas(dc);
    call.succeeded = canvas != nullptr && (mode == TRANSPARENT || mode == OPAQUE);
    int previous = 0;
    if (call.succeeded) {
        previous = canvas->bkMode;
        canvas->bkMode = mode;
    }
    callLog.push_back(call);
    return previous;
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
    standin::GdiCall call = beginCall(standin::GdiOp::setTextColor, dc);
    call.color = color;
    std::lock_guard lock(gdiMutex);
    Canvas* canvas = findCanvas(dc);
    call.succeeded = canvas != nullptr;
    COLORREF previous = 0xFFFFFFFF;  // CLR_INVALID
    if (call.succeeded) {
        previous = canvas->textColor;
        canvas->textColor = color;
    }
    callLog.push_back(call);
    return previous;
}

// The text is logged, not rasterised: tests check the string, its place and its colour.
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int length) {
    standin::GdiCall call = beginCall(standin::GdiOp::textOut, dc);
    call.to = {x, y};
    call.text.assign(text, static_cast<std::size_t>(length < 0 ? 0 : length));
    std::lock_guard lock(gdiMutex);
    Canvas* canvas = findCanvas(dc);
    call.succeeded = canvas != nullptr && length >= 0;
    if (canvas != nullptr) {
        call.color = canvas->textColor;
        call.bkMode = canvas->bkMode;
    }
    callLog.push_back(call);
    return call.succeeded ? TRUE : FALSE;
}

int lstrlenW(LPCWSTR text) {
    int length = 0;
    while (text != nullptr && text[length] != L'\0') {
        ++length;
    }
    return length;
}

DWORD GetSysColor(int index) {
    switch (index) {
        case COLOR_WINDOW:
            return RGB(255, 255, 255);
        case COLOR_WINDOWTEXT:
            return RGB(0, 0, 0);
        case COLOR_BTNFACE:
            return RGB(240, 240, 240);
        default:
            return RGB(128, 128, 128);
    }
}

namespace standin {

HDC createMemoryDc(int width, int height) {
    std::lock_guard lock(gdiMutex);
    ensureStockObjects();
    Canvas canvas;
    canvas.width = width;
    canvas.height = height;
    canvas.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                         RGB(255, 255, 255));
    canvas.pen = stockPen;
    canvas.brush = stockBrush;
    canvas.bkColor = GetSysColor(COLOR_BTNFACE);
    const std::uintptr_t handle = newHandle();
    canvases[handle] = std::move(canvas);
    return reinterpret_cast<HDC>(handle);
}

void releaseMemoryDc(HDC dc) {
    std::lock_guard lock(gdiMutex);
    canvases.erase(key(dc));
}

COLORREF pixelAt(HDC dc, int x, int y) {
    std::lock_guard lock(gdiMutex);
    const Canvas* canvas = findCanvas(dc);
    if (canvas == nullptr || x < 0 || y < 0 || x >= canvas->width || y >= canvas->height) {
        return 0xFFFFFFFF;
    }
    return canvas->pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(canvas->width) +
                          static_cast<std::size_t>(x)];
}

HGDIOBJ selectedPen(HDC dc) {
    std::lock_guard lock(gdiMutex);
    const Canvas* canvas = findCanvas(dc);
    return canvas == nullptr ? nullptr : handleOf(canvas->pen);
}

HGDIOBJ selectedBrush(HDC dc) {
    std::lock_guard lock(gdiMutex);
    const Canvas* canvas = findCanvas(dc);
    return canvas == nullptr ? nullptr : handleOf(canvas->brush);
}

std::size_t liveObjectCount() {
    std::lock_guard lock(gdiMutex);
    std::size_t count = 0;
    for (const auto& entry : objects) {
        if (!entry.second.stock) {
            ++count;
        }
    }
    return count;
}

std::vector<GdiCall> gdiCalls() {
    std::lock_guard lock(gdiMutex);
    return callLog;
}

void resetGdiCalls() {
    std::lock_guard lock(gdiMutex);
    callLog.clear();
}

}  // namespace standin
