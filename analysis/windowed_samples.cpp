#include "analysis/windowed_samples.h"

#include <array>

#include "analysis/fft/bit_reverse.h"
#include "analysis/fft/simd.h"
#include "state/shared_state.h"

#if defined(VOXWELL_SSE2)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

namespace {

// The 16 index bits split into 4 high, 8 middle and 4 low bits. The samples sharing the middle
// bits m form a 16 x 16 tile (rows: high bits, columns: low bits) whose mirror image is the tile
// of reverse(m), transposed, with rows and columns in bit-reversed order. Reading whole rows of
// 16 consecutive samples and writing whole rows of 16 consecutive outputs keeps every access
// within a few cache lines.
constexpr std::size_t kTileBits = 4;
constexpr std::size_t kTile = 16;
constexpr std::size_t kMiddleBits = 8;
constexpr std::size_t kRowStride = kBlockLength / kTile;
static_assert(kBlockLength == std::size_t{1} << (2 * kTileBits + kMiddleBits));

float windowed(const std::int16_t* samples, std::size_t used, std::size_t i) {
    return i < used ? (static_cast<float>(samples[i]) * kSampleScale) * g_fftWork[i] : 0.0f;
}

// Row `high` of the tile of `middle`: 16 consecutive windowed samples.
void loadRow(const std::int16_t* samples, std::size_t used, std::size_t first, float* row) {
#if defined(VOXWELL_SSE2)
    if (first + kTile <= used) {
        const __m128 scale = _mm_set1_ps(kSampleScale);
        for (std::size_t c = 0; c < kTile; c += 8) {
            const __m128i raw =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + first + c));
            // Each 16-bit sample into the upper half of a 32-bit lane, then shifted down with
            // its sign.
            const __m128i low = _mm_srai_epi32(_mm_unpacklo_epi16(raw, raw), 16);
            const __m128i high = _mm_srai_epi32(_mm_unpackhi_epi16(raw, raw), 16);
            const float* window = g_fftWork.data() + first + c;
            _mm_store_ps(row + c,
                         _mm_mul_ps(_mm_mul_ps(_mm_cvtepi32_ps(low), scale), _mm_loadu_ps(window)));
            _mm_store_ps(row + c + 4, _mm_mul_ps(_mm_mul_ps(_mm_cvtepi32_ps(high), scale),
                                                 _mm_loadu_ps(window + 4)));
        }
        return;
    }
#endif
    for (std::size_t c = 0; c < kTile; ++c) {
        row[c] = windowed(samples, used, first + c);
    }
}

// Element (row r, column c) of the tile goes to row reverse(c), column reverse(r) of the
// destination tile at `out`.
void storeMirrored(const float* tile, float* out) {
#if defined(VOXWELL_SSE2)
    for (std::size_t i = 0; i < kTile; i += 4) {
        for (std::size_t j = 0; j < kTile; j += 4) {
            __m128 v0 = _mm_load_ps(tile + kReversedFour[j] * kTile + i);
            __m128 v1 = _mm_load_ps(tile + kReversedFour[j + 1] * kTile + i);
            __m128 v2 = _mm_load_ps(tile + kReversedFour[j + 2] * kTile + i);
            __m128 v3 = _mm_load_ps(tile + kReversedFour[j + 3] * kTile + i);
            _MM_TRANSPOSE4_PS(v0, v1, v2, v3);
            _mm_storeu_ps(out + kReversedFour[i] * kRowStride + j, v0);
            _mm_storeu_ps(out + kReversedFour[i + 1] * kRowStride + j, v1);
            _mm_storeu_ps(out + kReversedFour[i + 2] * kRowStride + j, v2);
            _mm_storeu_ps(out + kReversedFour[i + 3] * kRowStride + j, v3);
        }
    }
#else
    for (std::size_t r = 0; r < kTile; ++r) {
        for (std::size_t c = 0; c < kTile; ++c) {
            out[r * kRowStride + c] = tile[kReversedFour[c] * kTile + kReversedFour[r]];
        }
    }
#endif
}

}  // namespace

// Tiles are written in the order of their destinations, so that each of the 16 output rows is
// filled from one end to the other, the order in which the processor best fetches lines for
// writing.
void loadWindowedBitReversed(const std::int16_t* samples, std::size_t used, float* out) {
    alignas(16) std::array<float, kTile * kTile> tile;
    for (std::size_t slot = 0; slot < (std::size_t{1} << kMiddleBits); ++slot) {
        const std::size_t middle = reverseBits(slot, kMiddleBits);
        for (std::size_t high = 0; high < kTile; ++high) {
            loadRow(samples, used, high * kRowStride + middle * kTile, tile.data() + high * kTile);
        }
        storeMirrored(tile.data(), out + slot * kTile);
    }
}
