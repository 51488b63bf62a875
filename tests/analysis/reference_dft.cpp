#include "tests/analysis/reference_dft.h"

#include <cmath>
#include <cstddef>
#include <numbers>
#include <utility>

void referenceDft(std::vector<double>& re, std::vector<double>& im) {
    const std::size_t n = re.size();
    std::size_t bits = 0;
    while ((std::size_t{1} << bits) < n) {
        ++bits;
    }
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t r = 0;
        for (std::size_t bit = 0; bit < bits; ++bit) {
            r |= ((i >> bit) & 1) << (bits - 1 - bit);
        }
        if (i < r) {
            std::swap(re[i], re[r]);
            std::swap(im[i], im[r]);
        }
    }
    for (std::size_t len = 2; len <= n; len *= 2) {
        const std::size_t half = len / 2;
        for (std::size_t j = 0; j < half; ++j) {
            const double angle = -2.0 * std::numbers::pi * static_cast<double>(j * (n / len)) /
                                 static_cast<double>(n);
            const double wRe = std::cos(angle);
            const double wIm = std::sin(angle);
            for (std::size_t a = j; a < n; a += len) {
                const std::size_t b = a + half;
                const double tRe = re[b] * wRe - im[b] * wIm;
                const double tIm = im[b] * wRe + re[b] * wIm;
                re[b] = re[a] - tRe;
                im[b] = im[a] - tIm;
                re[a] += tRe;
                im[a] += tIm;
            }
        }
    }
}
