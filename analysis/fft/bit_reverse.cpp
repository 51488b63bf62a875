#include "analysis/fft/bit_reverse.h"

#include <array>
#include <utility>

namespace {

// Tiles of 16 x 16 elements: 16 rows, each 16 consecutive elements (one cache line), n/16
// elements apart.
constexpr std::size_t kTile = 16;
using Tile = std::array<float, kTile * kTile>;

static_assert(kReversedFour.size() == kTile);

void loadTile(const float* x, std::size_t rowStride, Tile& tile) {
    for (std::size_t r = 0; r < kTile; ++r) {
        for (std::size_t c = 0; c < kTile; ++c) {
            tile[r * kTile + c] = x[r * rowStride + c];
        }
    }
}

// Element (row r, column c) of the tile belongs at (row reverse(c), column reverse(r)) of x.
void storeMirrored(const Tile& tile, float* x, std::size_t rowStride) {
    for (std::size_t r = 0; r < kTile; ++r) {
        for (std::size_t c = 0; c < kTile; ++c) {
            x[r * rowStride + c] = tile[kReversedFour[c] * kTile + kReversedFour[r]];
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

void bitReversePermute(float* re, float* im, std::size_t n) {
    if (n < kTile * kTile) {
        plainPermute(re, im, n);
        return;
    }
    permuteByTiles(re, im, n, [](float* tile, float* partner, std::size_t rowStride) {
        Tile first;
        Tile second;
        loadTile(tile, rowStride, first);
        if (partner != tile) {
            loadTile(partner, rowStride, second);
            storeMirrored(second, tile, rowStride);
        }
        storeMirrored(first, partner, rowStride);
    });
}
