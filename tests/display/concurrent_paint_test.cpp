// Painting while the worker threads replace the data: run under ThreadSanitizer, a read of the
// shared vectors outside their mutexes is reported.
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

#include "display/panels.h"
#include "tests/display/panel_test.h"
#include "state/shared_state.h"

namespace {

class ConcurrentPaint : public PanelTest {
  protected:
    void SetUp() override {
        PanelTest::SetUp();
        // The writer holds the mutexes at any moment, so no GDI call can be judged by them here.
        standin::watchMutexes({});
    }
};

// Alternates between data of two lengths that draw the same number of segments or points only
// when each paint reads one consistent copy.
void replaceData(std::size_t round) {
    const bool longData = round % 2 == 0;
    {
        std::lock_guard lock(g_waveMutex);
        g_leftHistory.assign(longData ? 65536 : 500, static_cast<Sample>(round % 1000));
    }
    {
        std::lock_guard lock(g_spectrumMutex);
        g_spectrum.assign(longData ? 32768 : 200, 0.5f);
    }
    g_level = longData ? 1.0f : 0.5f;
    g_peakHz = static_cast<float>(round % 500);
}

TEST_F(ConcurrentPaint, EachPaintDrawsOneConsistentSnapshot) {
    replaceData(0);
    std::atomic<bool> stop{false};
    std::thread writer([&stop] {
        for (std::size_t round = 1; !stop; ++round) {
            replaceData(round);
        }
    });

    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(paint(paintWavePanel, 340, 40), 1);
        EXPECT_EQ(linesIn(kWaveBlue).size(), 339u);
        EXPECT_EQ(paint(paintSpectrumPanel, 340, 40), 1);
        const std::size_t points = linesIn(kCurveOrange).size() + 1;
        EXPECT_TRUE(points == 340 || points == 199) << points;
        EXPECT_EQ(paint(paintLevelPanel, 340, 20), 1);
    }
    stop = true;
    writer.join();
}

}  // namespace
