#include "display/panels.h"

#include "tests/display/panel_test.h"
#include "state/shared_state.h"

#include <cstdint>

namespace {

using standin::GdiOp;

class LevelPanel : public PanelHeightTest {};

TEST_P(LevelPanel, BarEndsWhereTheLevelPutsIt) {
    const int height = GetParam();
    const struct {
        float level;
        LONG right;
    } rows[] = {{0.25f, 85}, {0.5f, 170}, {1.0f, 340}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.level);
        g_level = row.level;
        EXPECT_EQ(paint(paintLevelPanel, 340, height), 1);

        const auto fills = callsOf(GdiOp::fillRect);
        ASSERT_EQ(fills.size(), 2u);
        EXPECT_EQ(fills[1].color, kBarGreen);
        EXPECT_EQ(fills[1].rect.left, 0);
        EXPECT_EQ(fills[1].rect.top, 0);
        EXPECT_EQ(fills[1].rect.right, row.right);
        EXPECT_EQ(fills[1].rect.bottom, height);

        for (int y = 0; y < height; ++y) {
            EXPECT_EQ(pixel(row.right - 1, y), kBarGreen);
            if (row.right < 340) {
                EXPECT_EQ(pixel(row.right, y), buttonFace());
            }
        }
        EXPECT_EQ(countPixels(kBarGreen), static_cast<std::size_t>(row.right * height));
    }
}

TEST_P(LevelPanel, StartsFromTheButtonFaceBackground) {
    const int height = GetParam();
    g_level = 0.0f;
    EXPECT_EQ(paint(paintLevelPanel, 340, height), 1);

    // The system colour is passed as its index plus one, not as a created brush.
    const auto fills = callsOf(GdiOp::fillRect);
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(calls().front().op, GdiOp::fillRect);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(fills[0].object), COLOR_BTNFACE + 1);
    EXPECT_EQ(fills[0].rect.right, 340);
    EXPECT_EQ(fills[0].rect.bottom, height);
    // A level of 0 draws no bar at all.
    EXPECT_EQ(countPixels(buttonFace()), static_cast<std::size_t>(340 * height));
}

INSTANTIATE_TEST_SUITE_P(PanelSizes, LevelPanel, ::testing::Values(20, 40));

TEST_F(PanelTest, LevelBarStartsAtTheItemLeftEdge) {
    // An item away from the DC's origin: the bar spans the item's full height from its left edge.
    g_level = 0.5f;
    EXPECT_EQ(paint(paintLevelPanel, RECT{10, 5, 350, 25}, 360, 30), 1);

    EXPECT_EQ(pixel(10, 5), kBarGreen);
    EXPECT_EQ(pixel(179, 24), kBarGreen);
    EXPECT_EQ(pixel(180, 15), buttonFace());
    EXPECT_EQ(pixel(349, 24), buttonFace());
    EXPECT_EQ(countPixels(kBarGreen), 170u * 20u);
    // Nothing outside the item.
    EXPECT_EQ(pixel(9, 15), kUntouched);
    EXPECT_EQ(pixel(350, 15), kUntouched);
    EXPECT_EQ(pixel(100, 4), kUntouched);
    EXPECT_EQ(pixel(100, 25), kUntouched);
}

}  // namespace
