#include "capture/stream_recovery.h"

#include <thread>

#include "capture/sample_conversion.h"

namespace {

using Clock = std::chrono::steady_clock;

WAVEFORMATEX pcmFormat(unsigned channels, std::uint32_t sampleRate) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = sampleRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(channels * 2);
    format.nAvgBytesPerSec = sampleRate * format.nBlockAlign;
    return format;
}

// A client whose set-up failed is not used again: a new one is activated.
bool activateAgain(AudioStream& stream) {
    if (stream.capture != nullptr) {
        stream.capture->Release();
        stream.capture = nullptr;
    }
    stream.client->Release();
    stream.client = nullptr;
    return SUCCEEDED(stream.device->Activate(kIidIAudioClient, CLSCTX_ALL, nullptr,
                                             reinterpret_cast<void**>(&stream.client)));
}

bool reopenAudioStream(AudioStream& stream, unsigned channels, std::uint32_t sampleRate) {
    if (activateDefaultDevice(stream)) {
        return false;
    }
    const WAVEFORMATEX& mix = *stream.format;
    const bool convertible = sampleLayoutOf(mix) != SampleLayout::unsupported;
    if (convertible && recordingChannels(mix.nChannels) == channels &&
        mix.nSamplesPerSec == sampleRate) {
        return !startStream(stream, 0, mix);
    }
    const WAVEFORMATEX recording = pcmFormat(channels, sampleRate);
    if (!startStream(stream,
                     AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY,
                     recording)) {
        stream.converted = recording;
        return true;
    }
    return convertible && activateAgain(stream) && !startStream(stream, 0, mix);
}

}  // namespace

void releaseFailedStream(AudioStream& stream) {
    stream.client->Stop();
    releaseAudioStream(stream);
}

bool waitForMicrophone(AudioStream& stream, unsigned channels, std::uint32_t sampleRate) {
    while (g_recording) {
        if (reopenAudioStream(stream, channels, sampleRate)) {
            return true;
        }
        releaseAudioStream(stream);
        const auto retry = Clock::now() + kReopenInterval;
        while (g_recording && Clock::now() < retry) {
            std::this_thread::sleep_for(kCapturePollWait);
        }
    }
    return false;
}
