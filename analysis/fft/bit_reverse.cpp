#include "analysis/fft/bit_reverse.h"

#include <array>
#include <utility>

namespace {

// Tiles of 16 x 16 elements: 16 rows, each 16 consecutive elements (one cache line), 2^(m-4)
// elements apart.
constexpr unsigned kTileBits = 4;
constexpr std::size_t kTile = std::size_t{1} << kTileBits;
using Tile = std::array<float, kTile * kTile>;

static_assert(kReversedFour.size() == kTile);

void loadTile(const float* x, std::size_t base, std::size_t rowStride, Tile& tile) {
    for (std::size_t r = 0; r < kTile; ++r) {
        for (std::size_t c = 0; c < kTile; ++c) {
            tile[r * kTile + c] = x[r * rowStride + base + c];
        }
    }
}

// Element (row r, column c) of the tile belongs at (row reverse(c), column reverse(r)) of the
// tile at `base`.
void storeMirrored(const Tile& tile, float* x, std::size_t base, std::size_t rowStride) {
    for (std::size_t r = 0; r < kTile; ++r) {
        for (std::size_t c = 0; c < kTile; ++c) {
            x[r * rowStride + base + c] = tile[kReversedFour[c] * kTile + kReversedFour[r]];
        }
    }
}

void plainPermute(float* re, float* im, std::size_t n) {
    std::size_t r = 0;
    for (std::size_t i = 1; i < n; ++i) {
        std::size_t b = n / 2;
        while ((r & b) != 0) {
            r ^= b;
            b /= 2;
        }
        r ^= b;
        if (i < r) {
            std::swap(re[i], re[r]);
            std::swap(im[i], im[r]);
        }
    }
}

}  // namespace

// An index splits into high, middle and low bits, i = (h, m, l) with h and l of kTileBits each;
// its mirror is (reverse(l), reverse(m), reverse(h)). All indices sharing the middle bits m form
// one tile, which maps onto the tile of reverse(m) transposed with its rows and columns
// mirrored. Moving whole tiles keeps every access within a few cache lines, where a plain swap
// list would jump across the array one element at a time.
void bitReversePermute(float* re, float* im, std::size_t n) {
    unsigned bits = 0;
    while ((std::size_t{1} << bits) < n) {
        ++bits;
    }
    if (bits < 2 * kTileBits) {
        plainPermute(re, im, n);
        return;
    }
    const unsigned middleBits = bits - 2 * kTileBits;
    const std::size_t rowStride = n >> kTileBits;
    Tile first;
    Tile second;
    for (std::size_t middle = 0; middle < (std::size_t{1} << middleBits); ++middle) {
        const std::size_t mirror = reverseBits(middle, middleBits);
        if (mirror < middle) {
            continue;
        }
        for (float* x : {re, im}) {
            loadTile(x, middle << kTileBits, rowStride, first);
            if (mirror == middle) {
                storeMirrored(first, x, middle << kTileBits, rowStride);
            } else {
                loadTile(x, mirror << kTileBits, rowStride, second);
                storeMirrored(first, x, mirror << kTileBits, rowStride);
                storeMirrored(second, x, middle << kTileBits, rowStride);
            }
        }
    }
}
