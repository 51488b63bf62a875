#include <cstddef>
#include <iterator>
#include <vector>

#include "display/panels.h"
#include "tests/display/panel_test.h"
#include "state/shared_state.h"

namespace {

using standin::GdiOp;

class WavePanel : public PanelHeightTest {
  protected:
    // Full scale, half scale and silence of either sign, and the rows they are drawn on.
    static constexpr Sample kLevels[5] = {32767, 16384, 0, -16384, -32768};

    int rowOf(std::size_t level) const {
        static constexpr int rows40[5] = {1, 10, 20, 30, 40};
        static constexpr int rows20[5] = {1, 5, 10, 15, 20};
        return GetParam() == 40 ? rows40[level] : rows20[level];
    }
    int mid() const { return GetParam() / 2; }

    // Expects segments k = 1, 2, ... from column k - 1 to column k, the point of column k on the
    // row of level levelOfColumn(k).
    template <typename LevelOfColumn>
    void expectSegments(std::size_t count, LevelOfColumn levelOfColumn) {
        const std::vector<DrawnLine> lines = linesIn(kWaveBlue);
        ASSERT_EQ(lines.size(), count);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            SCOPED_TRACE(i);
            const int k = static_cast<int>(i) + 1;
            EXPECT_EQ(lines[i].from.x, k - 1);
            EXPECT_EQ(lines[i].from.y, rowOf(levelOfColumn(k - 1)));
            EXPECT_EQ(lines[i].to.x, k);
            EXPECT_EQ(lines[i].to.y, rowOf(levelOfColumn(k)));
            EXPECT_EQ(lines[i].penStyle, PS_SOLID);
            EXPECT_EQ(lines[i].penWidth, 1);
        }
        // Each segment has a move of its own.
        EXPECT_EQ(movesIn(kWaveBlue).size(), count);
    }
};

TEST_P(WavePanel, SamplesLandOnTheirRows) {
    setHistory(std::vector<Sample>(std::begin(kLevels), std::end(kLevels)));
    EXPECT_EQ(paint(paintWavePanel, 340, GetParam()), 1);
    expectSegments(4, [](int column) { return static_cast<std::size_t>(column); });
    // A segment's first point is drawn, its last is left to the next segment.
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(pixel(column, rowOf(static_cast<std::size_t>(column))), kWaveBlue) << column;
    }
}

TEST_P(WavePanel, FullHistoryShowsEvery192ndSample) {
    // The samples that must be shown cycle through the five levels; every other sample sits two
    // levels away, so showing any of them moves a point to a different row.
    std::vector<Sample> history(65536);
    for (std::size_t i = 0; i < history.size(); ++i) {
        const std::size_t group = i / 192;
        history[i] = kLevels[(i % 192 == 0 ? group : group + 2) % 5];
    }
    setHistory(history);
    EXPECT_EQ(paint(paintWavePanel, 340, GetParam()), 1);
    // 339 segments join the samples 0, 192, ..., 65,088 at columns 0 ... 339.
    expectSegments(339, [](int column) { return static_cast<std::size_t>(column) % 5; });
}

TEST_P(WavePanel, LongerHistoriesAreDecimatedFromTheOldestSample) {
    // 1,000 samples in 340 columns: step 2, the even samples 0 ... 678 shown; each odd sample
    // sits two levels away from its even neighbour.
    std::vector<Sample> history(1000);
    for (std::size_t i = 0; i < history.size(); ++i) {
        history[i] = kLevels[(i / 2 + (i % 2 == 0 ? 0 : 2)) % 5];
    }
    setHistory(history);
    EXPECT_EQ(paint(paintWavePanel, 340, GetParam()), 1);
    expectSegments(339, [](int column) { return static_cast<std::size_t>(column) % 5; });
}

TEST_P(WavePanel, ShortHistoriesTakeOneColumnPerSample) {
    const auto cycling = [](std::size_t count) {
        std::vector<Sample> history(count);
        for (std::size_t i = 0; i < count; ++i) {
            history[i] = kLevels[i % 5];
        }
        return history;
    };
    const auto levelOf = [](int column) { return static_cast<std::size_t>(column) % 5; };

    // 100 samples: 99 segments over columns 0 ... 99, the rest of the panel empty.
    setHistory(cycling(100));
    EXPECT_EQ(paint(paintWavePanel, 340, GetParam()), 1);
    expectSegments(99, levelOf);
    for (int x = 100; x < 340; ++x) {
        EXPECT_NE(pixel(x, rowOf(0)), kWaveBlue);
    }

    // 500 samples: step 1 still, so only the oldest 340 are shown.
    setHistory(cycling(500));
    EXPECT_EQ(paint(paintWavePanel, 340, GetParam()), 1);
    expectSegments(339, levelOf);

    // 2 samples: one segment from column 0 to column 1.
    setHistory(cycling(2));
    EXPECT_EQ(paint(paintWavePanel, 340, GetParam()), 1);
    expectSegments(1, levelOf);
}

TEST_P(WavePanel, FewerThanTwoSamplesShowOnlyTheCentreLine) {
    for (std::size_t count : {0u, 1u}) {
        SCOPED_TRACE(count);
        setHistory(std::vector<Sample>(count, 32767));
        EXPECT_EQ(paint(paintWavePanel, 340, GetParam()), 0);

        const auto pens = callsOf(GdiOp::createPen);
        ASSERT_EQ(pens.size(), 1u);
        EXPECT_EQ(pens[0].penStyle, PS_DOT);
        EXPECT_EQ(pens[0].penWidth, 1);
        EXPECT_EQ(pens[0].color, kCentreGrey);
        const auto lines = linesIn(kCentreGrey);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].from.x, 0);
        EXPECT_EQ(lines[0].from.y, mid());
        EXPECT_EQ(lines[0].to.x, 340);
        EXPECT_EQ(lines[0].to.y, mid());

        // Background and a dotted row; nothing else.
        const std::size_t grey = countPixels(kCentreGrey);
        EXPECT_GT(grey, 100u);
        EXPECT_LT(grey, 340u);
        EXPECT_EQ(countPixels(buttonFace()) + grey, static_cast<std::size_t>(340 * GetParam()));
    }
}

TEST_P(WavePanel, CurveIsDrawnOverTheCentreLine) {
    setHistory(std::vector<Sample>(100, 0));
    EXPECT_EQ(paint(paintWavePanel, 340, GetParam()), 1);
    for (int x = 0; x < 99; ++x) {
        EXPECT_EQ(pixel(x, mid()), kWaveBlue) << x;
    }
    std::size_t greyAfterCurve = 0;
    for (int x = 99; x < 340; ++x) {
        greyAfterCurve += pixel(x, mid()) == kCentreGrey ? 1 : 0;
    }
    EXPECT_GT(greyAfterCurve, 0u);
}

INSTANTIATE_TEST_SUITE_P(PanelSizes, WavePanel, ::testing::Values(20, 40));

TEST_F(PanelTest, WaveformFollowsTheItemRectangle) {
    // mid = (45 + 5) / 2 = 25; full scale reaches 19 above and 20 below it.
    setHistory({32767, -32768, 0});
    EXPECT_EQ(paint(paintWavePanel, RECT{10, 5, 350, 45}, 360, 50), 1);

    const auto centre = linesIn(kCentreGrey);
    ASSERT_EQ(centre.size(), 1u);
    EXPECT_EQ(centre[0].from.x, 10);
    EXPECT_EQ(centre[0].from.y, 25);
    EXPECT_EQ(centre[0].to.x, 350);
    const auto curve = linesIn(kWaveBlue);
    ASSERT_EQ(curve.size(), 2u);
    EXPECT_EQ(curve[0].from.x, 10);
    EXPECT_EQ(curve[0].from.y, 6);
    EXPECT_EQ(curve[0].to.x, 11);
    EXPECT_EQ(curve[0].to.y, 45);
    EXPECT_EQ(curve[1].to.x, 12);
    EXPECT_EQ(curve[1].to.y, 25);
    EXPECT_EQ(pixel(9, 25), kUntouched);
    EXPECT_EQ(pixel(350, 25), kUntouched);
}

TEST_F(PanelTest, WaveformInAnEmptyRectangleDrawsNoCurve) {
    setHistory(std::vector<Sample>(65536, 100));
    paint(paintWavePanel, RECT{0, 0, 0, 40}, 10, 40);
    EXPECT_TRUE(linesIn(kWaveBlue).empty());
}

}  // namespace
