#include <cstddef>
#include <string>
#include <vector>

#include "display/panels.h"
#include "tests/display/panel_test.h"
#include "state/shared_state.h"

namespace {

using standin::GdiOp;

// Averages of 0.0, 0.5 and 1.0, and the rows they are drawn on.
int rowOfAverage(int height, std::size_t level) {
    static constexpr int rows40[3] = {38, 19, 0};
    static constexpr int rows20[3] = {18, 9, 0};
    return height == 40 ? rows40[level] : rows20[level];
}

// A group of values whose average is level 0, 1 or 2 (0.0, 0.5, 1.0): halves come from
// alternating zeros and ones, so only a true average lands on the middle row.
float valueInGroup(std::size_t level, std::size_t position) {
    if (level == 1) {
        return position % 2 == 0 ? 0.0f : 1.0f;
    }
    return level == 0 ? 0.0f : 1.0f;
}

// Values that are 0.25 everywhere except 1.0 at the given indices.
std::vector<float> peaksAt(std::size_t count, std::vector<std::size_t> peaks) {
    std::vector<float> values(count, 0.25f);
    for (std::size_t index : peaks) {
        values[index] = 1.0f;
    }
    return values;
}

class SpectrumPanel : public PanelHeightTest {
  protected:
    // Expects a polyline with one point per column, the point of column k at the row of average
    // level levelOfColumn(k).
    template <typename LevelOfColumn>
    void expectCurve(std::size_t points, LevelOfColumn levelOfColumn) {
        const int height = GetParam();
        const std::vector<POINT> moves = movesIn(kCurveOrange);
        ASSERT_EQ(moves.size(), 1u);
        EXPECT_EQ(moves[0].x, 0);
        EXPECT_EQ(moves[0].y, rowOfAverage(height, levelOfColumn(0)));
        const std::vector<DrawnLine> lines = linesIn(kCurveOrange);
        ASSERT_EQ(lines.size(), points - 1);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int column = static_cast<int>(i) + 1;
            EXPECT_EQ(lines[i].to.x, column);
            EXPECT_EQ(lines[i].to.y, rowOfAverage(height, levelOfColumn(column))) << column;
            EXPECT_EQ(lines[i].penStyle, PS_SOLID);
            EXPECT_EQ(lines[i].penWidth, 1);
        }
    }

    // Expects the red marker, two pixels wide, over the whole height at this column.
    void expectMarkerAt(int column) {
        const int height = GetParam();
        const std::vector<DrawnLine> lines = linesIn(kMarkerRed);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].from.x, column);
        EXPECT_EQ(lines[0].from.y, 0);
        EXPECT_EQ(lines[0].to.x, column);
        EXPECT_EQ(lines[0].to.y, height);
        EXPECT_EQ(lines[0].penStyle, PS_SOLID);
        EXPECT_EQ(lines[0].penWidth, 2);
        for (int y = 0; y < height; ++y) {
            EXPECT_EQ(pixel(column, y), kMarkerRed) << y;
        }
    }
};

TEST_P(SpectrumPanel, FullSpectrumAveragesGroupsOf96) {
    std::vector<float> values(32768, 1.0f);
    for (std::size_t i = 0; i < 340 * 96; ++i) {
        values[i] = valueInGroup((i / 96) % 3, i % 96);
    }
    setSpectrum(values);
    EXPECT_EQ(paint(paintSpectrumPanel, 340, GetParam()), 1);
    // Points at columns 0 ... 339 averaging values 0 ... 32,639.
    expectCurve(340, [](int column) { return static_cast<std::size_t>(column) % 3; });
}

TEST_P(SpectrumPanel, GroupsAreSummedInIndexOrder) {
    // Each group starts with 48, then 95 values of half an ulp of 48: added one after another to
    // 48 each rounds away, and the average is exactly 0.5. Summed in any other order the small
    // values add up first and lift the average far enough to reach the row above.
    std::vector<float> values(32768, 0.0f);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = i % 96 == 0 ? 48.0f : 1.0f / 524288.0f;
    }
    setSpectrum(values);
    EXPECT_EQ(paint(paintSpectrumPanel, 340, GetParam()), 1);
    expectCurve(340, [](int) { return std::size_t{1}; });
}

TEST_P(SpectrumPanel, MarkerScalesTheStrongestIndexToTheWidth) {
    const struct {
        std::size_t index;
        int column;
    } rows[] = {{0, 0}, {1000, 10}, {16384, 170}, {32767, 339}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.index);
        setSpectrum(peaksAt(32768, {row.index}));
        EXPECT_EQ(paint(paintSpectrumPanel, 340, GetParam()), 1);
        expectMarkerAt(row.column);
    }
}

TEST_P(SpectrumPanel, LabelShowsThePeakToOneDecimalAtTheTopRight) {
    setSpectrum(peaksAt(32768, {1000}));
    const struct {
        float peakHz;
        const wchar_t* text;
    } rows[] = {
        {440.0f, L"Peak: 440.0 Hz"}, {0.0f, L"Peak: 0.0 Hz"}, {1234.56f, L"Peak: 1234.6 Hz"}};
    for (const auto& row : rows) {
        g_peakHz = row.peakHz;
        EXPECT_EQ(paint(paintSpectrumPanel, 340, GetParam()), 1);
        const auto texts = callsOf(GdiOp::textOut);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].text, row.text);
        EXPECT_EQ(texts[0].to.x, 220);
        EXPECT_EQ(texts[0].to.y, 2);
        EXPECT_EQ(texts[0].color, kMarkerRed);
        EXPECT_EQ(texts[0].bkMode, TRANSPARENT);
    }
}

TEST_P(SpectrumPanel, MarkerIsDrawnOverTheCurveAndTheLabelOverBoth) {
    // A curve of 0.25 runs on row trunc(0.75 x (h - 2)) and crosses the marker's column there.
    setSpectrum(peaksAt(32768, {16384}));
    EXPECT_EQ(paint(paintSpectrumPanel, 340, GetParam()), 1);
    const int curveRow = GetParam() == 40 ? 28 : 13;
    EXPECT_EQ(pixel(169, curveRow), kMarkerRed);
    EXPECT_EQ(pixel(170, curveRow), kMarkerRed);
    EXPECT_EQ(pixel(171, curveRow), kCurveOrange);

    std::size_t lastCurve = 0;
    std::size_t marker = 0;
    std::size_t text = 0;
    for (std::size_t i = 0; i < calls().size(); ++i) {
        const standin::GdiCall& call = calls()[i];
        if (call.op == GdiOp::lineTo && call.color == kCurveOrange) {
            lastCurve = i;
        } else if (call.op == GdiOp::lineTo && call.color == kMarkerRed) {
            marker = i;
        } else if (call.op == GdiOp::textOut) {
            text = i;
        }
    }
    EXPECT_LT(lastCurve, marker);
    EXPECT_LT(marker, text);
}

INSTANTIATE_TEST_SUITE_P(PanelSizes, SpectrumPanel, ::testing::Values(20, 40));

class SpectrumEdges : public SpectrumPanel {};

TEST_P(SpectrumEdges, TwoValuesGiveOnePointTheMarkerAndTheLabel) {
    setSpectrum({0.0f, 1.0f});
    EXPECT_EQ(paint(paintSpectrumPanel, 340, GetParam()), 1);
    expectCurve(1, [](int) { return std::size_t{0}; });
    expectMarkerAt(170);
    EXPECT_EQ(callsOf(GdiOp::textOut).size(), 1u);
}

TEST_P(SpectrumEdges, AllZerosLieFlatAboveTheBottomWithTheMarkerAtTheLeft) {
    setSpectrum(std::vector<float>(32768, 0.0f));
    EXPECT_EQ(paint(paintSpectrumPanel, 340, GetParam()), 1);
    expectCurve(340, [](int) { return std::size_t{0}; });
    expectMarkerAt(0);
}

TEST_P(SpectrumEdges, FirstOfEqualMaximaTakesTheMarker) {
    setSpectrum(peaksAt(32768, {1000, 16384}));
    EXPECT_EQ(paint(paintSpectrumPanel, 340, GetParam()), 1);
    expectMarkerAt(10);
}

TEST_P(SpectrumEdges, ShortSpectrumLeavesOutItsLastValue) {
    // 200 values in 340 columns: points for values 0 ... 198 at columns 0 ... 198.
    static constexpr float kAverages[3] = {0.0f, 0.5f, 1.0f};
    std::vector<float> values(200);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = kAverages[i % 3];
    }
    setSpectrum(values);
    EXPECT_EQ(paint(paintSpectrumPanel, 340, GetParam()), 1);
    expectCurve(199, [](int column) { return static_cast<std::size_t>(column) % 3; });
}

TEST_P(SpectrumEdges, FewerThanTwoValuesShowOnlyTheBackground) {
    // Not even the label, though a peak from an earlier recording is still stored.
    g_peakHz = 440.0f;
    for (std::size_t count : {0u, 1u}) {
        SCOPED_TRACE(count);
        setSpectrum(std::vector<float>(count, 1.0f));
        EXPECT_EQ(paint(paintSpectrumPanel, 340, GetParam()), 0);
        ASSERT_EQ(calls().size(), 1u);
        EXPECT_EQ(calls()[0].op, GdiOp::fillRect);
        EXPECT_EQ(countPixels(buttonFace()), static_cast<std::size_t>(340 * GetParam()));
    }
}

INSTANTIATE_TEST_SUITE_P(PanelSizes, SpectrumEdges, ::testing::Values(20, 40));

TEST_F(PanelTest, SpectrumFollowsTheItemRectangle) {
    g_peakHz = 440.0f;
    setSpectrum(peaksAt(32768, {16384}));
    EXPECT_EQ(paint(paintSpectrumPanel, RECT{10, 5, 350, 45}, 360, 50), 1);

    // 0.25 lies three quarters of the way down the 38 usable rows: 5 + 28.
    const auto moves = movesIn(kCurveOrange);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].x, 10);
    EXPECT_EQ(moves[0].y, 33);
    const auto curve = linesIn(kCurveOrange);
    ASSERT_EQ(curve.size(), 339u);
    EXPECT_EQ(curve.back().to.x, 349);
    const auto marker = linesIn(kMarkerRed);
    ASSERT_EQ(marker.size(), 1u);
    EXPECT_EQ(marker[0].from.x, 180);
    EXPECT_EQ(marker[0].from.y, 5);
    EXPECT_EQ(marker[0].to.y, 45);
    const auto texts = callsOf(GdiOp::textOut);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].to.x, 230);
    EXPECT_EQ(texts[0].to.y, 7);
    EXPECT_EQ(pixel(100, 4), kUntouched);
    EXPECT_EQ(pixel(355, 20), kUntouched);
}

}  // namespace
