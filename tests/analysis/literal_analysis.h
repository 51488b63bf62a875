#pragma once

#include <cstdint>
#include <vector>

// The analysis of one block written step by step, with the step-by-step transform: what
// analyzeBlock must reproduce bit for bit.
struct LiteralAnalysis {
    std::vector<float> spectrum;
    float peakHz;
};

LiteralAnalysis literalAnalyzeBlock(const std::vector<std::int16_t>& samples,
                                    std::int32_t sampleRate);
