#include "capture/audio_stream.h"

#include "capture/sample_conversion.h"

namespace {

constexpr REFERENCE_TIME kBufferDuration = 10'000'000;  // one second, in 100 ns units

}  // namespace

unsigned recordingChannels(unsigned deviceChannels) {
    return deviceChannels < 2 ? 1u : 2u;
}

CaptureOutcome openAudioStream(AudioStream& stream) {
    constexpr CaptureOutcome unavailable = CaptureOutcome::microphoneUnavailable;
    if (FAILED(CoCreateInstance(kClsidMMDeviceEnumerator, nullptr, CLSCTX_ALL,
                                kIidIMMDeviceEnumerator,
                                reinterpret_cast<void**>(&stream.enumerator)))) {
        return unavailable;
    }
    if (FAILED(stream.enumerator->GetDefaultAudioEndpoint(eCapture, eConsole, &stream.device))) {
        return unavailable;
    }
    if (FAILED(stream.device->Activate(kIidIAudioClient, CLSCTX_ALL, nullptr,
                                       reinterpret_cast<void**>(&stream.client)))) {
        return unavailable;
    }
    if (FAILED(stream.client->GetMixFormat(&stream.format))) {
        return unavailable;
    }
    // Checked before anything is opened: a layout that cannot be converted would only record an
    // empty file.
    if (sampleLayoutOf(*stream.format) == SampleLayout::unsupported) {
        return CaptureOutcome::unsupportedFormat;
    }
    // The stream is opened in the device's own format: a shared-mode stream refuses a format whose
    // fields disagree, and rewriting only the channel count would have the system downmix into it.
    if (FAILED(stream.client->Initialize(AUDCLNT_SHAREMODE_SHARED, 0, kBufferDuration, 0,
                                         stream.format, nullptr))) {
        return unavailable;
    }
    if (FAILED(stream.client->GetService(kIidIAudioCaptureClient,
                                         reinterpret_cast<void**>(&stream.capture)))) {
        return unavailable;
    }
    if (FAILED(stream.client->Start())) {
        return unavailable;
    }
    return CaptureOutcome::saved;
}

void releaseAudioStream(AudioStream& stream) {
    if (stream.format != nullptr) {
        CoTaskMemFree(stream.format);
    }
    if (stream.capture != nullptr) {
        stream.capture->Release();
    }
    if (stream.client != nullptr) {
        stream.client->Release();
    }
    if (stream.device != nullptr) {
        stream.device->Release();
    }
    if (stream.enumerator != nullptr) {
        stream.enumerator->Release();
    }
    stream = AudioStream{};
}
