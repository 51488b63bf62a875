#pragma once

#include <cstdint>
#include <vector>

// The analysis of one block written step by step, with the step-by-step transform: what
// analyzeBlock must reproduce bit for bit.
struct LiteralAnalysis {
    std::vector<float> spectrum;
    float peakHz;
};

// The block scaled, windowed and zero-padded to 65,536 points, then transformed.
struct LiteralTransform {
    std::vector<float> re;
    std::vector<float> im;
};

LiteralTransform literalWindowedTransform(const std::vector<std::int16_t>& samples);

LiteralAnalysis literalAnalyzeBlock(const std::vector<std::int16_t>& samples,
                                    std::int32_t sampleRate);
