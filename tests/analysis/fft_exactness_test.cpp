// The optimised transform against the step-by-step one: the output must be the same bits, for
// every power-of-two size the analysis could use and for each way the stages can be run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "analysis/fft/cpu_features.h"
#include "analysis/fft/fft.h"
#include "analysis/fft/bit_reverse.h"
#include "analysis/fft/stages.h"
#include "tests/analysis/literal_fft.h"
#include "tests/analysis/test_signals.h"

namespace {

struct Input {
    std::string name;
    std::vector<float> re;
    std::vector<float> im;
};

std::vector<Input> inputsOfSize(std::size_t n) {
    std::vector<Input> inputs;
    inputs.push_back({"random", randomSignal(n, 11), randomSignal(n, 12)});
    inputs.push_back({"real random", randomSignal(n, 13), std::vector<float>(n, 0.0f)});
    inputs.push_back({"sine", cosineSignal(n, n / 8 + 1, 0.8, -1.0), std::vector<float>(n, 0.0f)});
    std::vector<float> impulse(n, 0.0f);
    impulse[n / 3] = 1.0f;
    inputs.push_back({"impulse", impulse, std::vector<float>(n, 0.0f)});
    inputs.push_back({"silent", std::vector<float>(n, 0.0f), std::vector<float>(n, 0.0f)});
    // Windowed silence holds negative zeros; their signs must survive as the literal leaves them.
    std::vector<float> zeros(n);
    for (std::size_t i = 0; i < n; ++i) {
        zeros[i] = (i % 3 == 0) ? -0.0f : (i % 7 == 0 ? 0.5f : 0.0f);
    }
    inputs.push_back({"signed zeros", zeros, std::vector<float>(n, -0.0f)});
    return inputs;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

using Transform = std::function<void(std::vector<float>&, std::vector<float>&)>;

// Checks `transform` against the literal one for every input of every size from 1 to maxSize.
void expectIdenticalToLiteral(const Transform& transform, std::size_t minSize,
                              std::size_t maxSize) {
    for (std::size_t n = minSize; n <= maxSize; n *= 2) {
        for (Input& input : inputsOfSize(n)) {
            std::vector<float> expectedRe = input.re;
            std::vector<float> expectedIm = input.im;
            literalFftRadix2(expectedRe, expectedIm);
            transform(input.re, input.im);
            EXPECT_TRUE(sameBits(input.re, expectedRe) && sameBits(input.im, expectedIm))
                << input.name << " input, n = " << n;
        }
    }
}

// The permutation followed by one variant of the stages.
Transform withStages(void (*stages)(float*, float*, std::size_t)) {
    return [stages](std::vector<float>& re, std::vector<float>& im) {
        bitReversePermute(re.data(), im.data(), re.size());
        stages(re.data(), im.data(), re.size());
    };
}

TEST(FftExactness, FftRadix2MatchesTheLiteralTransformAtEverySize) {
    expectIdenticalToLiteral(fftRadix2, 1, 65536);
}

TEST(FftExactness, SizesBeyondTheTwiddleTableMatchToo) {
    expectIdenticalToLiteral(fftRadix2, 131072, 131072);
}

TEST(FftExactness, ScalarStagesMatch) {
    expectIdenticalToLiteral(withStages(fftStagesScalar), 2, 65536);
}

#if defined(VOXWELL_SSE2)
TEST(FftExactness, Sse2StagesMatch) {
    expectIdenticalToLiteral(withStages(fftStagesSse2), 2, 65536);
}

TEST(FftExactness, Avx2StagesMatch) {
    if (!cpuSupportsAvx2()) {
        GTEST_SKIP() << "this processor has no AVX2";
    }
    expectIdenticalToLiteral(withStages(fftStagesAvx2), 2, 65536);
}

TEST(FftExactness, Avx2PermutationMovesEveryElementAsThePlainOneDoes) {
    if (!cpuSupportsAvx2()) {
        GTEST_SKIP() << "this processor has no AVX2";
    }
    for (std::size_t n = 1; n <= 131072; n *= 2) {
        std::vector<float> re(n);
        std::vector<float> im(n);
        for (std::size_t i = 0; i < n; ++i) {
            re[i] = static_cast<float>(i);
            im[i] = -static_cast<float>(i);
        }
        std::vector<float> expectedRe = re;
        std::vector<float> expectedIm = im;
        bitReversePermute(expectedRe.data(), expectedIm.data(), n);
        bitReversePermuteAvx2(re.data(), im.data(), n);
        EXPECT_TRUE(sameBits(re, expectedRe) && sameBits(im, expectedIm)) << "n = " << n;
    }
}

TEST(FftExactness, Avx512StagesMatch) {
    if (!cpuSupportsAvx512()) {
        GTEST_SKIP() << "this processor has no AVX-512";
    }
    expectIdenticalToLiteral(withStages(fftStagesAvx512), 2, 65536);
}
#endif

}  // namespace
