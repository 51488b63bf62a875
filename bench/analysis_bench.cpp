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
#include <memory>
#include <mutex>
#include <random>
#include <vector>

#include "analysis/analysis_window.h"
#include "analysis/analyze_block.h"
#include "analysis/fft/cpu_features.h"
#include "analysis/fft/fft.h"
#include "analysis/fft/bit_reverse.h"
#include "analysis/fft/stages.h"
#include "analysis/publish_spectrum.h"
#include "analysis/fft/simd.h"
#include "analysis/spectrum_peak.h"
#include "analysis/fft/windowed_first_stages.h"
#include "analysis/windowed_samples.h"
#include "tests/standin/script/message_script.h"
#include "state/shared_state.h"
#include "tests/analysis/literal_fft.h"
#include "tests/analysis/test_signals.h"

#if defined(VOXWELL_SSE2)
#include <xmmintrin.h>
#endif

namespace {

constexpr int kN = static_cast<int>(kBlockLength);
constexpr int kRepetitions = 15;
// The stand-in logs every posted message; forgetting them now and then keeps memory flat.
constexpr int kMessagesKept = 1024;

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
    const std::vector<float> inputRe = randomSignal(kBlockLength, 1);
    const std::vector<float> inputIm = randomSignal(kBlockLength, 2);
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

#if defined(VOXWELL_SSE2)
// fftRadix2 as it runs on processors with fewer vector extensions than this one: their
// permutation, then their stages.
using Pass = void (*)(float*, float*, std::size_t);

void benchStages(benchmark::State& state, Pass permute, Pass stages, bool supported) {
    if (!supported) {
        state.SkipWithError("not supported by this processor");
        return;
    }
    benchSplitTransform(state, [permute, stages](std::vector<float>& re, std::vector<float>& im) {
        permute(re.data(), im.data(), re.size());
        stages(re.data(), im.data(), re.size());
    });
}

void BM_FftRadix2Sse2(benchmark::State& state) {
    benchStages(state, bitReversePermute, fftStagesSse2, true);
}

void BM_FftRadix2Avx2(benchmark::State& state) {
    benchStages(state, bitReversePermuteAvx2, fftStagesAvx2, cpuSupportsAvx2());
}
#endif

void BM_LiteralFftRadix2(benchmark::State& state) {
    benchSplitTransform(state, literalFftRadix2);
}

// FFTW_MEASURE, the usual choice, or FFTW_PATIENT, which tries more plans and is slow only the
// first time: later plans of the same shape reuse what it found.
unsigned planRigour(benchmark::State& state) {
    const bool patient = state.range(0) != 0;
    state.SetLabel(patient ? "FFTW_PATIENT" : "FFTW_MEASURE");
    return patient ? FFTW_PATIENT : FFTW_MEASURE;
}

void BM_FftwComplex(benchmark::State& state) {
    fftwf_complex* data = fftwf_alloc_complex(kBlockLength);
    fftwf_plan plan = fftwf_plan_dft_1d(kN, data, data, FFTW_FORWARD, planRigour(state));
    const std::vector<float> inputRe = randomSignal(kBlockLength, 1);
    const std::vector<float> inputIm = randomSignal(kBlockLength, 2);
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

#if defined(VOXWELL_SSE2)
// Work arrays on cache lines, im a little after the end of re, as analyzeBlock keeps its own.
struct WorkArrays {
    std::vector<float> storage =
        std::vector<float>(2 * kWorkArrayLength + 3 * (64 / sizeof(float)));
    float* re = nullptr;
    float* im = nullptr;
};

void alignWorkArrays(WorkArrays& work) {
    constexpr std::size_t kLine = 64 / sizeof(float);
    void* start = work.storage.data();
    std::size_t space = work.storage.size() * sizeof(float);
    work.re = static_cast<float*>(
        std::align(64, (2 * kWorkArrayLength + 2 * kLine) * sizeof(float), start, space));
    work.im = work.re + kWorkArrayLength + 2 * kLine;
}

// analyzeBlock as it runs on processors with fewer vector extensions than this one, put together
// from the same pieces `route` calls (its transform and magnitudes), with the same publication.
// Only the normalisation still uses the widest division there is.
template <typename Route>
void benchAnalysisRoute(benchmark::State& state, bool supported, Route route) {
    if (!supported) {
        state.SkipWithError("not supported by this processor");
        return;
    }
    const std::vector<std::int16_t> block = microphoneBlock();
    ensureAnalysisWindow();
    WorkArrays work;
    alignWorkArrays(work);
    std::vector<float> mags(kSpectrumLength);
    int calls = 0;
    for (auto _ : state) {
        const float maxMag = route(block.data(), block.size(), work.re, work.im, mags.data());
        publishSpectrum(mags, maxMag, peakBin(mags.data(), maxMag), 48000);
        if (++calls % kMessagesKept == 0) {
            standin::resetMessages();
        }
    }
    standin::resetMessages();
}

// A processor with AVX2 but not AVX-512 (most desktop processors): a transform in every lane,
// the last stages fused with the magnitudes.
void BM_AnalyzeBlockAvx2Route(benchmark::State& state) {
    benchAnalysisRoute(
        state, cpuSupportsAvx2(),
        [](const std::int16_t* samples, std::size_t count, float* re, float* im, float* mags) {
            return laneTransformMagnitudesAvx2(samples, count, g_fftWork.data(), re, im, mags,
                                               kPeakFloor);
        });
}

// The x86-64 baseline, SSE2 only (the oldest processors the Windows build runs on): the
// bit-reversed windowed load, the SSE2 stages, the last fused with the magnitudes.
void BM_AnalyzeBlockSse2Route(benchmark::State& state) {
    benchAnalysisRoute(
        state, true,
        [](const std::int16_t* samples, std::size_t count, float* re, float* im, float* mags) {
            std::fill(im, im + kBlockLength, 0.0f);
            loadWindowedBitReversed(samples, count, re);
            return fftStagesAndMagnitudesSse2(re, im, mags, kPeakFloor);
        });
}
#endif

// The program's magnitudes and peak search (magnitudesAndPeak), written for FFTW's output of
// interleaved real and imaginary parts with the same SSE2 arithmetic.
std::size_t interleavedMagnitudesAndPeak(const fftwf_complex* bins, float* mags, float& maxMag) {
    float largest = kPeakFloor;
#if defined(VOXWELL_SSE2)
    __m128 largestSoFar = _mm_set1_ps(kPeakFloor);
    for (std::size_t k = 0; k < kSpectrumLength; k += 4) {
        const __m128 low = _mm_loadu_ps(bins[k]);
        const __m128 high = _mm_loadu_ps(bins[k + 2]);
        const __m128 x = _mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 y = _mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1));
        const __m128 m = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(y, y)));
        _mm_storeu_ps(mags + k, m);
        largestSoFar = _mm_max_ps(largestSoFar, m);
    }
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, largestSoFar);
    for (float lane : lanes) {
        largest = std::max(largest, lane);
    }
#else
    for (std::size_t k = 0; k < kSpectrumLength; ++k) {
        mags[k] = std::sqrt(bins[k][0] * bins[k][0] + bins[k][1] * bins[k][1]);
        largest = std::max(largest, mags[k]);
    }
#endif
    maxMag = largest;
    if (largest == kPeakFloor) {
        return 0;
    }
    return static_cast<std::size_t>(std::find(mags, mags + kSpectrumLength, largest) - mags);
}

// analyzeBlock's work with FFTW's real-input transform in place of fftRadix2: the same window,
// work arrays kept between calls as analyzeBlock keeps its own, magnitudes and peak search, and
// the program's own normalising and publishing.
void fftwAnalyzeBlock(fftwf_plan plan, float* windowed, fftwf_complex* bins,
                      std::vector<float>& mags, const std::int16_t* samples, std::size_t count,
                      std::int32_t sampleRate) {
    const std::size_t used = std::min(count, kBlockLength);
    for (std::size_t i = 0; i < used; ++i) {
        windowed[i] = (static_cast<float>(samples[i]) * 3.0517578125e-05f) * g_fftWork[i];
    }
    std::fill(windowed + used, windowed + kBlockLength, 0.0f);

    fftwf_execute_dft_r2c(plan, windowed, bins);

    float maxMag = kPeakFloor;
    const std::size_t peakBin = interleavedMagnitudesAndPeak(bins, mags.data(), maxMag);
    publishSpectrum(mags, maxMag, peakBin, sampleRate);
}

void BM_FftwRealInput(benchmark::State& state) {
    float* in = fftwf_alloc_real(kBlockLength);
    fftwf_complex* bins = fftwf_alloc_complex(kBlockLength / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(kN, in, bins, planRigour(state));
    const std::vector<float> input = randomSignal(kBlockLength, 1);
    std::copy(input.begin(), input.end(), in);
    for (auto _ : state) {
        fftwf_execute(plan);
        benchmark::DoNotOptimize(bins);
    }
    fftwf_destroy_plan(plan);
    fftwf_free(bins);
    fftwf_free(in);
}

void BM_FftwAnalyzeBlock(benchmark::State& state) {
    const std::vector<std::int16_t> block = microphoneBlock();
    ensureAnalysisWindow();
    float* planIn = fftwf_alloc_real(kBlockLength);
    fftwf_complex* planBins = fftwf_alloc_complex(kBlockLength / 2 + 1);
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(kN, planIn, planBins, planRigour(state));
    std::vector<float> mags(kSpectrumLength, 0.0f);
    int calls = 0;
    for (auto _ : state) {
        fftwAnalyzeBlock(plan, planIn, planBins, mags, block.data(), block.size(), 48000);
        if (++calls % kMessagesKept == 0) {
            standin::resetMessages();
        }
    }
    standin::resetMessages();
    fftwf_destroy_plan(plan);
    fftwf_free(planBins);
    fftwf_free(planIn);
}

}  // namespace

BENCHMARK(BM_FftRadix2)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
#if defined(VOXWELL_SSE2)
BENCHMARK(BM_FftRadix2Sse2)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
BENCHMARK(BM_FftRadix2Avx2)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
#endif
BENCHMARK(BM_LiteralFftRadix2)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
BENCHMARK(BM_FftwComplex)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
BENCHMARK(BM_FftwRealInput)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions);
BENCHMARK(BM_AnalyzeBlock)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
#if defined(VOXWELL_SSE2)
BENCHMARK(BM_AnalyzeBlockAvx2Route)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
BENCHMARK(BM_AnalyzeBlockSse2Route)->Unit(benchmark::kMicrosecond)->Repetitions(kRepetitions);
#endif
BENCHMARK(BM_FftwAnalyzeBlock)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions);

BENCHMARK_MAIN();
