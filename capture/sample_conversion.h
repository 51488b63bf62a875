// Turning a captured packet into 16-bit samples, splitting its channels and measuring its level.
#pragma once

#include <cstdint>
#include <vector>

#include "state/shared_state.h"

enum class SampleLayout { float32, int16, unsupported };

// The layout of the device's mix format: 32-bit float or 16-bit integer, plain or extensible.
SampleLayout sampleLayoutOf(const WAVEFORMATEX& format);

// Limited to -1.0 ... 1.0 and scaled by 32767, so -1.0 gives -32767; not-a-number gives 0.
Sample sampleFromFloat(float value);

// Of each of `frames` frames of `stride` interleaved channels, the first `kept` channels as 16-bit
// samples; a packet flagged silent is recorded as zeros.
std::vector<Sample> convertPacket(const BYTE* data, std::uint32_t frames, unsigned stride,
                                  unsigned kept, SampleLayout layout, bool silent);

// Of two-channel samples, the first and the second channel; mono samples are all first channel.
void splitChannels(const std::vector<Sample>& samples, unsigned channels,
                   std::vector<Sample>& first, std::vector<Sample>& second);

// The level in 0 ... (about) 1: the RMS of each channel scaled by 1/32768, averaged over two.
float packetLevel(const std::vector<Sample>& first, const std::vector<Sample>& second,
                  unsigned channels);
