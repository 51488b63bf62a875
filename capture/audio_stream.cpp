#include "capture/audio_stream.h"

#include "capture/sample_conversion.h"

namespace {

constexpr REFERENCE_TIME kBufferDuration = 10'000'000;  // one second, in 100 ns units

}  // namespace

unsigned recordingChannels(unsigned deviceChannels) {
    return deviceChannels < 2 ? 1u : 2u;
}

CaptureOutcome openAudioStream(IMMDeviceEnumerator*& enumerator, IMMDevice*& device,
                               IAudioClient*& client, WAVEFORMATEX*& format,
                               IAudioCaptureClient*& capture) {
    constexpr CaptureOutcome unavailable = CaptureOutcome::microphoneUnavailable;
    if (FAILED(CoCreateInstance(kClsidMMDeviceEnumerator, nullptr, CLSCTX_ALL,
                                kIidIMMDeviceEnumerator, reinterpret_cast<void**>(&enumerator)))) {
        return unavailable;
    }
    if (FAILED(enumerator->GetDefaultAudioEndpoint(eCapture, eConsole, &device))) {
        return unavailable;
    }
    if (FAILED(device->Activate(kIidIAudioClient, CLSCTX_ALL, nullptr,
                                reinterpret_cast<void**>(&client)))) {
        return unavailable;
    }
    if (FAILED(client->GetMixFormat(&format))) {
        return unavailable;
    }
    // Checked before anything is opened: a layout that cannot be converted would only record an
    // empty file.
    if (sampleLayoutOf(*format) == SampleLayout::unsupported) {
        return CaptureOutcome::unsupportedFormat;
    }
    // The stream is opened in the device's own format: a shared-mode stream refuses a format whose
    // fields disagree, and rewriting only the channel count would have the system downmix into it.
    if (FAILED(
            client->Initialize(AUDCLNT_SHAREMODE_SHARED, 0, kBufferDuration, 0, format, nullptr))) {
        return unavailable;
    }
    if (FAILED(client->GetService(kIidIAudioCaptureClient, reinterpret_cast<void**>(&capture)))) {
        return unavailable;
    }
    if (FAILED(client->Start())) {
        return unavailable;
    }
    return CaptureOutcome::saved;
}

void releaseAudioStream(IMMDeviceEnumerator* enumerator, IMMDevice* device, IAudioClient* client,
                        WAVEFORMATEX* format, IAudioCaptureClient* capture) {
    if (format != nullptr) {
        CoTaskMemFree(format);
    }
    if (capture != nullptr) {
        capture->Release();
    }
    if (client != nullptr) {
        client->Release();
    }
    if (device != nullptr) {
        device->Release();
    }
    if (enumerator != nullptr) {
        enumerator->Release();
    }
}
