#include "analysis/divide_each.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "analysis/fft/cpu_features.h"
#include "tests/analysis/test_signals.h"

namespace {

// Every width must give the quotients one division at a time gives, bit for bit, whatever the
// count (also those that leave a remainder for the plain loop).
void expectQuotientsOfOneAtATime(void (*divide)(float*, std::size_t, float)) {
    for (std::size_t count :
         {std::size_t{0}, std::size_t{7}, std::size_t{33}, std::size_t{32768}}) {
        std::vector<float> values = randomSignal(count, 21);
        if (count > 3) {
            values[0] = std::numeric_limits<float>::denorm_min();
            values[1] = -0.0f;
            values[2] = std::numeric_limits<float>::max();
        }
        for (float divisor : {3.0f, 1e-8f, 0.7f}) {
            std::vector<float> expected = values;
            for (float& x : expected) {
                x = x / divisor;
            }
            std::vector<float> actual = values;
            divide(actual.data(), actual.size(), divisor);
            EXPECT_TRUE(count == 0 ||
                        std::memcmp(actual.data(), expected.data(), count * sizeof(float)) == 0)
                << count << " values divided by " << divisor;
        }
    }
}

TEST(DivideEach, EveryWidthGivesTheQuotientsOfOneDivisionAtATime) {
    expectQuotientsOfOneAtATime(divideEach);
#if defined(VOXWELL_SSE2)
    expectQuotientsOfOneAtATime(divideEachSse2);
    if (cpuSupportsAvx2()) {
        expectQuotientsOfOneAtATime(divideEachAvx2);
    }
    if (cpuSupportsAvx512()) {
        expectQuotientsOfOneAtATime(divideEachAvx512);
    }
#endif
}

}  // namespace
