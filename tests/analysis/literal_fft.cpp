#include "tests/analysis/literal_fft.h"

#include <cmath>
#include <cstddef>
#include <utility>

void literalFftRadix2(std::vector<float>& re, std::vector<float>& im) {
    const std::size_t n = re.size();
    if (n <= 1) {
        return;
    }

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

    for (std::size_t len = 2; len <= n; len *= 2) {
        const std::size_t half = len / 2;
        const float angle = -6.2831855f / static_cast<float>(len);
        const float wr = std::cos(angle);
        const float wi = std::sin(angle);
        for (std::size_t g = 0; g < n; g += len) {
            float wRe = 1.0f;
            float wIm = 0.0f;
            for (std::size_t j = 0; j < half; ++j) {
                const std::size_t a = g + j;
                const std::size_t b = a + half;
                const float tRe = re[b] * wRe - im[b] * wIm;
                const float tIm = im[b] * wRe + re[b] * wIm;
                re[b] = re[a] - tRe;
                im[b] = im[a] - tIm;
                re[a] = re[a] + tRe;
                im[a] = im[a] + tIm;
                const float nextRe = wRe * wr - wIm * wi;
                wIm = wRe * wi + wIm * wr;
                wRe = nextRe;
            }
        }
    }
}
