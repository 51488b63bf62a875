// A memory device context and clean shared state for painting panels in tests, every paint
// checked for tidy use of GDI, and readers for what a paint drew.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <vector>

#include "platform/platform.h"
#include "tests/standin/script/gdi_script.h"
#include "state/shared_state.h"

constexpr COLORREF kBarGreen = RGB(0, 200, 0);
constexpr COLORREF kCentreGrey = RGB(180, 180, 180);
constexpr COLORREF kWaveBlue = RGB(0, 150, 255);
constexpr COLORREF kCurveOrange = RGB(220, 120, 60);
constexpr COLORREF kMarkerRed = RGB(255, 40, 40);
constexpr COLORREF kUntouched = RGB(255, 255, 255);

struct DrawnLine {
    POINT from;
    POINT to;
    int penStyle;
    int penWidth;
};

using PanelPainter = std::function<LRESULT(HDC, const RECT&)>;

class PanelTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Paints into a fresh width x height device context. Checks that the paint deleted every
    // pen and brush it created, had at most one alive at a time, selected back what was selected
    // before, and made no GDI call while a shared-state mutex was held.
    LRESULT paint(const PanelPainter& painter, const RECT& item, int width, int height);
    // The same on a DC exactly the size of (0, 0, width, height).
    LRESULT paint(const PanelPainter& painter, int width, int height);

    COLORREF pixel(int x, int y) const { return standin::pixelAt(dc_, x, y); }
    std::size_t countPixels(COLORREF color) const;
    static COLORREF buttonFace() { return GetSysColor(COLOR_BTNFACE); }

    // The last paint's calls, all or of one kind.
    const std::vector<standin::GdiCall>& calls() const { return calls_; }
    std::vector<standin::GdiCall> callsOf(standin::GdiOp op) const;
    // Lines drawn, and points moved to, while a pen of this colour was selected.
    std::vector<DrawnLine> linesIn(COLORREF color) const;
    std::vector<POINT> movesIn(COLORREF color) const;

    static void setHistory(std::vector<Sample> samples);
    static void setSpectrum(std::vector<float> values);

  private:
    void releaseDc();

    HDC dc_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::vector<standin::GdiCall> calls_;
};

// The same tests for both panel heights the window uses.
class PanelHeightTest : public PanelTest, public ::testing::WithParamInterface<int> {};
