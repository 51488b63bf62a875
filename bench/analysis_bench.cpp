// The analysis step and its transform against FFTW, all in one run so the figures are comparable:
// fftRadix2 at 65,536 points, the step-by-step version it must match bit for bit, FFTW's complex
// and real-input transforms of the same size, analyzeBlock, and the same analysis step built on
// FFTW's real-input transform.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <random>
#include <vector>

#include "analysis/analysis_window.h"
#include "analysis/analyze_block.h"
#include "analysis/fft.h"
#include "analysis/publish_spectrum.h"
#include "analysis/spectrum_peak.h"
#include "platform/standin/message_log.h"
#include "state/shared_state.h"
#include "tests/analysis/literal_fft.h"

namespace {

constexpr int kN = static_cast<int>(kBlockLength);
constexpr int kRepetitions = 15;
// The stand-in logs every posted message; forgetting them now and then keeps memory flat.
constexpr int kMessagesKept = 1024;

std::vector<float> randomValues(unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<float> values(kBlockLength);
    for (float& x : values) {
        x = value(rng);
    }
    return values;
}

// A tone with noise, as a microphone would deliver it.
std::vector<std::int16_t> microphoneBlock() {
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 300.0);
    std::vector<std::int16_t> block(kBlockLength);
    for (std::size_t i = 0; i < block.size(); ++i) {
        const double tone = 12000.0 * std::sin(0.0654 * static_cast<double>(i));
        block[i] = static_cast<std::int16_t>(std::lround(tone + noise(rng)));
    }
    return block;
}

template <typename Transform>
void benchSplitTransform(benchmark::State& state, Transform transform) {
    const std::vector<float> inputRe = randomValues(1);
    const std::vector<float> inputIm = randomValues(2);
    std::vector<float> re(kBlockLength);
    std::vector<float> im(kBlockLength);
    for (auto _ : state) {
        state.PauseTiming();
        re = inputRe;
        im = inputIm;
        state.ResumeTiming();
        transform(re, im);
        benchmark::DoNotOptimize(re.data());
        benchmark::DoNotOptimize(im.data());
    }
}

void BM_FftRadix2(benchmark::State& state) {
    benchSplitTransform(state, fftRadix2);
}

void BM_LiteralFftRadix2(benchmark::State& state) {
    benchSplitTransform(state, literalFftRadix2);
}

void BM_FftwComplex(benchmark::State& state) {
    fftwf_complex* data = fftwf_alloc_complex(kBlockLength);
    fftwf_plan plan = fftwf_plan_dft_1d(kN, data, data, FFTW_FORWARD, FFTW_MEASURE);
    const std::vector<float> inputRe = randomValues(1);
    const std::vector<float> inputIm = randomValues(2);
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t i = 0; i < kBlockLength; ++i) {
            data[i][0] = inputRe[i];
            data[i][1] = inputIm[i];
        }
        state.ResumeTiming();
        fftwf_execute(plan);
        benchmark::DoNotOptimize(data);
    }
    fftwf_destroy_plan(plan);
    fftwf_free(data);
}

void BM_AnalyzeBlock(benchmark::State& state) {
    const std::vector<std::int16_t> block = microphoneBlock();
    ensureAnalysisWindow();
    int calls = 0;
    for (auto _ : state) {
        analyzeBlock(block.data(), block.size(), 48000);
        if (++calls % kMessagesKept == 0) {
            standin::resetMessages();
        }
    }
    standin::resetMessages();
}

// analyzeBlock's work with FFTW's real-input transform in place of fftRadix2: the same window,
// work arrays made per call, and the program's own magnitude, peak and publishing code, which
// FFTW's split-array output (separate real and imaginary arrays) can use directly.
void fftwAnalyzeBlock(fftwf_plan plan, const std::int16_t* samples, std::size_t count,
                      std::int32_t sampleRate) {
    float* windowed = fftwf_alloc_real(kBlockLength);
    float* re = fftwf_alloc_real(kBlockLength / 2 + 1);
    float* im = fftwf_alloc_real(kBlockLength / 2 + 1);
    const std::size_t used = std::min(count, kBlockLength);
    for (std::size_t i = 0; i < used; ++i) {
        windowed[i] = (static_cast<float>(samples[i]) * 3.0517578125e-05f) * g_fftWork[i];
    }
    std::fill(windowed + used, windowed + kBlockLength, 0.0f);

    fftwf_execute_split_dft_r2c(plan, windowed, re, im);

    std::vector<float> mags(kSpectrumLength, 0.0f);
    float maxMag = kPeakFloor;
    const std::size_t peakBin = magnitudesAndPeak(re, im, mags.data(), maxMag);
    publishSpectrum(mags, maxMag, peakBin, sampleRate);
    fftwf_free(im);
    fftwf_free(re);
    fftwf_free(windowed);
}

fftwf_plan planSplitRealTransform(float* in, float* re, float* im) {
    fftwf_iodim size{kN, 1, 1};
    return fftwf_plan_guru_split_dft_r2c(1, &size, 0, nullptr, in, re, im, FFTW_MEASURE);
}

void BM_FftwRealInput(benchmark::State& state) {
    float* in = fftwf_alloc_real(kBlockLength);
    float* re = fftwf_alloc_real(kBlockLength / 2 + 1);
    float* im = fftwf_alloc_real(kBlockLength / 2 + 1);
    fftwf_plan plan = planSplitRealTransform(in, re, im);
    const std::vector<float> input = randomValues(1);
    std::copy(input.begin(), input.end(), in);
    for (auto _ : state) {
        fftwf_execute(plan);
        benchmark::DoNotOptimize(re);
        benchmark::DoNotOptimize(im);
    }
    fftwf_destroy_plan(plan);
    fftwf_free(im);
    fftwf_free(re);
    fftwf_free(in);
}

void BM_FftwAnalyzeBlock(benchmark::State& state) {
    const std::vector<std::int16_t> block = microphoneBlock();
    ensureAnalysisWindow();
    // Planned once on arrays of the same alignment as those each call allocates.
    float* planIn = fftwf_alloc_real(kBlockLength);
    float* planRe = fftwf_alloc_real(kBlockLength / 2 + 1);
    float* planIm = fftwf_alloc_real(kBlockLength / 2 + 1);
    fftwf_plan plan = planSplitRealTransform(planIn, planRe, planIm);
    int calls = 0;
    for (auto _ : state) {
        fftwAnalyzeBlock(plan, block.data(), block.size(), 48000);
        if (++calls % kMessagesKept == 0) {
            standin::resetMessages();
        }
    }
    standin::resetMessages();
    fftwf_destroy_plan(plan);
    fftwf_free(planIm);
    fftwf_free(planRe);
    fftwf_free(planIn);
}

}  // namespace

BENCHMARK(BM_FftRadix2)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
BENCHMARK(BM_LiteralFftRadix2)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
BENCHMARK(BM_FftwComplex)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
BENCHMARK(BM_FftwRealInput)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
BENCHMARK(BM_AnalyzeBlock)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
BENCHMARK(BM_FftwAnalyzeBlock)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);

BENCHMARK_MAIN();
