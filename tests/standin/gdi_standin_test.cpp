// The stand-in's drawing and bookkeeping, which the panel tests rely on, against what GDI does.
#include <mutex>

#include <gtest/gtest.h>

#include "tests/standin/script/gdi_script.h"
#include "state/shared_state.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(10, 20, 30);

class GdiStandIn : public ::testing::Test {
  protected:
    void SetUp() override { dc_ = standin::createMemoryDc(16, 16); }
    void TearDown() override {
        standin::watchMutexes({});
        standin::releaseMemoryDc(dc_);
    }

    // Draws one line with a new pen of this style and width, then puts the old pen back.
    void line(int style, int width, POINT from, POINT to) {
        const HPEN pen = CreatePen(style, width, kInk);
        const HGDIOBJ previous = SelectObject(dc_, pen);
        MoveToEx(dc_, from.x, from.y, nullptr);
        LineTo(dc_, to.x, to.y);
        SelectObject(dc_, previous);
        DeleteObject(pen);
    }

    HDC dc_ = nullptr;
};

TEST_F(GdiStandIn, MarksCallsMadeWhileAWatchedMutexIsLocked) {
    standin::watchMutexes({&g_waveMutex, &g_spectrumMutex});
    const RECT all{0, 0, 16, 16};
    const HBRUSH face = reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_BTNFACE + 1));
    standin::resetGdiCalls();
    {
        std::lock_guard lock(g_spectrumMutex);
        FillRect(dc_, &all, face);
    }
    {
        std::lock_guard lock(g_queueMutex);  // not watched
        FillRect(dc_, &all, face);
    }
    FillRect(dc_, &all, face);
    const auto calls = standin::gdiCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_TRUE(calls[0].watchedMutexHeld);
    EXPECT_FALSE(calls[1].watchedMutexHeld);
    EXPECT_FALSE(calls[2].watchedMutexHeld);
    EXPECT_EQ(standin::pixelAt(dc_, 0, 0), GetSysColor(COLOR_BTNFACE));
}

TEST_F(GdiStandIn, RefusesToDeleteAnObjectStillSelected) {
    const HGDIOBJ stockPen = standin::selectedPen(dc_);
    const HPEN pen = CreatePen(PS_SOLID, 1, kInk);
    EXPECT_EQ(SelectObject(dc_, pen), stockPen);
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(dc_, stockPen), pen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen));
}

TEST_F(GdiStandIn, FillsAndLinesLeaveOutTheirFarEdges) {
    const HBRUSH brush = CreateSolidBrush(kInk);
    const RECT rect{2, 3, 5, 7};
    FillRect(dc_, &rect, brush);
    DeleteObject(brush);
    EXPECT_EQ(standin::pixelAt(dc_, 2, 3), kInk);
    EXPECT_EQ(standin::pixelAt(dc_, 4, 6), kInk);
    EXPECT_EQ(standin::pixelAt(dc_, 5, 6), kWhite);
    EXPECT_EQ(standin::pixelAt(dc_, 4, 7), kWhite);

    // A one-pixel line stops short of its end point; the row of a shallow line is rounded.
    line(PS_SOLID, 1, {8, 10}, {13, 12});
    EXPECT_EQ(standin::pixelAt(dc_, 8, 10), kInk);
    EXPECT_EQ(standin::pixelAt(dc_, 9, 10), kInk);
    EXPECT_EQ(standin::pixelAt(dc_, 10, 11), kInk);
    EXPECT_EQ(standin::pixelAt(dc_, 12, 12), kInk);
    EXPECT_EQ(standin::pixelAt(dc_, 13, 12), kWhite);
}

TEST_F(GdiStandIn, WidePensCoverTheColumnBeforeAndTheEndPoint) {
    line(PS_SOLID, 2, {6, 4}, {6, 10});
    for (int y = 3; y <= 10; ++y) {
        EXPECT_EQ(standin::pixelAt(dc_, 5, y), kInk) << y;
        EXPECT_EQ(standin::pixelAt(dc_, 6, y), kInk) << y;
    }
    EXPECT_EQ(standin::pixelAt(dc_, 7, 6), kWhite);
    EXPECT_EQ(standin::pixelAt(dc_, 6, 11), kWhite);
    EXPECT_EQ(standin::pixelAt(dc_, 6, 2), kWhite);
}

TEST_F(GdiStandIn, DotsFillTheirGapsOnlyInOpaqueMode) {
    line(PS_DOT, 1, {0, 1}, {12, 1});
    SetBkMode(dc_, TRANSPARENT);
    line(PS_DOT, 1, {0, 3}, {12, 3});
    const COLORREF gap = GetSysColor(COLOR_BTNFACE);
    for (int x = 0; x < 12; ++x) {
        const bool dot = x % 6 < 3;
        EXPECT_EQ(standin::pixelAt(dc_, x, 1), dot ? kInk : gap) << x;
        EXPECT_EQ(standin::pixelAt(dc_, x, 3), dot ? kInk : kWhite) << x;
    }
}

}  // namespace
