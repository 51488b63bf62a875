#include "capture/sample_conversion.h"

#include <algorithm>
#include <cmath>
#include <cstring>

SampleLayout sampleLayoutOf(const WAVEFORMATEX& format) {
    const WORD tag = format.wFormatTag;
    const WORD bits = format.wBitsPerSample;
    bool isFloat = tag == WAVE_FORMAT_IEEE_FLOAT;
    bool isPcm = tag == WAVE_FORMAT_PCM;
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        const auto& extensible = reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(format);
        isFloat = IsEqualGUID(extensible.SubFormat, kSubtypeIeeeFloat);
        isPcm = IsEqualGUID(extensible.SubFormat, kSubtypePcm);
    }
    if (isFloat && bits == 32) {
        return SampleLayout::float32;
    }
    if (isPcm && bits == 16) {
        return SampleLayout::int16;
    }
    return SampleLayout::unsupported;
}

Sample sampleFromFloat(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    const float limited = std::max(std::min(value, 1.0f), -1.0f);
    return static_cast<Sample>(limited * 32767.0f);
}

std::vector<Sample> convertPacket(const BYTE* data, std::uint32_t frames, unsigned stride,
                                  unsigned kept, SampleLayout layout, bool silent) {
    std::vector<Sample> samples(std::size_t{frames} * kept);
    if (silent || samples.empty()) {
        return samples;
    }
    if (layout == SampleLayout::int16 && stride == kept) {
        std::memcpy(samples.data(), data, samples.size() * sizeof(Sample));
        return samples;
    }
    const std::size_t width = layout == SampleLayout::int16 ? sizeof(Sample) : sizeof(float);
    Sample* out = samples.data();
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const BYTE* in = data + frame * stride * width;
        for (unsigned channel = 0; channel < kept; ++channel, in += width) {
            if (layout == SampleLayout::int16) {
                std::memcpy(out++, in, sizeof(Sample));
            } else {
                float value;
                std::memcpy(&value, in, sizeof(float));
                *out++ = sampleFromFloat(value);
            }
        }
    }
    return samples;
}

void splitChannels(const std::vector<Sample>& samples, unsigned channels,
                   std::vector<Sample>& first, std::vector<Sample>& second) {
    if (channels == 1) {
        first = samples;
        return;
    }
    first.reserve(samples.size() / 2);
    second.reserve(samples.size() / 2);
    for (std::size_t i = 1; i < samples.size(); i += 2) {
        first.push_back(samples[i - 1]);
        second.push_back(samples[i]);
    }
}

namespace {

float channelRms(const std::vector<Sample>& samples) {
    float sum = 0.0f;
    for (Sample s : samples) {
        sum += static_cast<float>(std::int32_t{s} * std::int32_t{s});
    }
    return std::sqrt(sum / static_cast<float>(samples.size()));
}

}  // namespace

float packetLevel(const std::vector<Sample>& first, const std::vector<Sample>& second,
                  unsigned channels) {
    if (channels == 1) {
        return channelRms(first) * kSampleScale;
    }
    return (channelRms(first) * kSampleScale + channelRms(second) * kSampleScale) * 0.5f;
}
