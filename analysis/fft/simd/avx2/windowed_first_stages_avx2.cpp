// Compiled with AVX2 enabled and entered only after cpuSupportsAvx2(). As in the AVX2 stages,
// everything here has internal linkage, as do the vector operations and stages it uses from
// headers.
#include "analysis/fft/windowed_first_stages.h"

#if defined(VOXWELL_SSE2)

#include <immintrin.h>

#include "analysis/fft/bit_reverse.h"
#include "analysis/fft/twiddles.h"
#include "analysis/fft/simd/avx2/avx2.h"
#include "state/samples.h"

// Written in terms of the vector operations above.
#include "analysis/fft/simd/first_four_stages_on_rows.h"

namespace {

constexpr std::size_t kPoints = 65536;
constexpr std::size_t kQuarter = kPoints / 16;
// Tiles are taken in the order of their runs in the output, slot s holding m = reverse(s).
constexpr std::size_t kTiles = 256;

// Writes column c of the eight rows as eight consecutive floats at out[c].
inline void storeTransposed(__m256* rows, float* const* out) {
    transposeEight(rows);
    for (std::size_t c = 0; c < 8; ++c) {
        store(out[c], rows[c]);
    }
}

// Tiles per batch: each sixteenth of the output receives kSlots runs, consecutive there.
constexpr std::size_t kSlots = 8;

// Index i = 4096 h + 16 m + c (h, c < 16, m < 256) goes to position 4096 r(c) + 16 r(m) + r(h),
// r reversing the bits. So the 16 samples with the same m and c, 4096 apart, form one run of 16
// consecutive positions, the unit of the first four stages. Each half of a row of 16 consecutive
// samples gives eight such runs at once.
void windowedFirstFourStages(const std::int16_t* samples, std::size_t used, const float* window,
                             float* re, float* im) {
    const float* twiddles = fftTwiddles();
    // Both halves of a row are read together: they share their cache lines.
    __m256 rowsRe[2][16];
    __m256 rowsIm[2][16];
    // The runs of one m go to 16 places 16 KiB apart, all in one set of the L1 cache; written
    // there half a line at a time they made this pass two and a half times slower. Runs of
    // consecutive positions are gathered here and written out a few lines at a time instead.
    alignas(32) float batchRe[16][kSlots * 16];
    alignas(32) float batchIm[16][kSlots * 16];
    for (std::size_t firstSlot = 0; firstSlot < kTiles; firstSlot += kSlots) {
        for (std::size_t k = 0; k < kSlots; ++k) {
            const std::size_t m = reverseEightBits(firstSlot + k);
            for (std::size_t row = 0; row < 16; ++row) {
                const std::size_t first = kReversedFour[row] * kQuarter + 16 * m;
                rowsRe[0][row] = windowedSamples(samples, used, window, first);
                rowsRe[1][row] = windowedSamples(samples, used, window, first + 8);
            }
            for (std::size_t half = 0; half < 2; ++half) {
                firstFourStagesOnRows(rowsRe[half], rowsIm[half], twiddles);
                float* outRe[8];
                float* outIm[8];
                for (std::size_t c = 0; c < 8; ++c) {
                    outRe[c] = batchRe[8 * half + c] + 16 * k;
                    outIm[c] = batchIm[8 * half + c] + 16 * k;
                }
                storeTransposed(rowsRe[half], outRe);
                storeTransposed(rowsIm[half], outIm);
                for (std::size_t c = 0; c < 8; ++c) {
                    outRe[c] += 8;
                    outIm[c] += 8;
                }
                storeTransposed(rowsRe[half] + 8, outRe);
                storeTransposed(rowsIm[half] + 8, outIm);
            }
        }
        for (std::size_t c = 0; c < 16; ++c) {
            const std::size_t first = kReversedFour[c] * kQuarter + 16 * firstSlot;
            for (std::size_t i = 0; i < kSlots * 16; i += kLanes) {
                store(re + first + i, load(batchRe[c] + i));
                store(im + first + i, load(batchIm[c] + i));
            }
        }
    }
}

}  // namespace

std::size_t loadWindowedFirstStagesAvx2(const std::int16_t* samples, std::size_t used,
                                        const float* window, float* re, float* im) {
    windowedFirstFourStages(samples, used, window, re, im);
    return 16;
}

#endif
