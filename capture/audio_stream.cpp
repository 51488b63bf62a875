#include "capture/audio_stream.h"

#include "capture/sample_conversion.h"

namespace {

constexpr REFERENCE_TIME kBufferDuration = 10'000'000;  // one second, in 100 ns units

// The outcome of a failed set-up step, from its result: each cause the user can remedy,
// whichever step reports it, and any other result as a microphone not available. E_NOTFOUND
// means that there is no capture device only where the device is looked up, so that step tests
// it itself.
CaptureOutcome setupFailure(HRESULT result) {
    switch (result) {
        case E_ACCESSDENIED:
            return CaptureOutcome::microphoneAccessDenied;
        case AUDCLNT_E_DEVICE_IN_USE:
            return CaptureOutcome::microphoneInUse;
        case AUDCLNT_E_SERVICE_NOT_RUNNING:
            return CaptureOutcome::audioServiceNotRunning;
        case AUDCLNT_E_DEVICE_INVALIDATED:
            return CaptureOutcome::microphoneDisconnected;
        default:
            return CaptureOutcome::microphoneUnavailable;
    }
}

}  // namespace

unsigned recordingChannels(unsigned deviceChannels) {
    return deviceChannels < 2 ? 1u : 2u;
}

const WAVEFORMATEX& deliveredFormat(const AudioStream& stream) {
    return stream.converted ? *stream.converted : *stream.format;
}

std::optional<CaptureOutcome> activateDefaultDevice(AudioStream& stream) {
    if (const HRESULT result =
            CoCreateInstance(kClsidMMDeviceEnumerator, nullptr, CLSCTX_ALL, kIidIMMDeviceEnumerator,
                             reinterpret_cast<void**>(&stream.enumerator));
        FAILED(result)) {
        return setupFailure(result);
    }
    if (const HRESULT result =
            stream.enumerator->GetDefaultAudioEndpoint(eCapture, eConsole, &stream.device);
        FAILED(result)) {
        return result == E_NOTFOUND ? CaptureOutcome::noMicrophone : setupFailure(result);
    }
    if (const HRESULT result = stream.device->Activate(kIidIAudioClient, CLSCTX_ALL, nullptr,
                                                       reinterpret_cast<void**>(&stream.client));
        FAILED(result)) {
        return setupFailure(result);
    }
    if (const HRESULT result = stream.client->GetMixFormat(&stream.format); FAILED(result)) {
        return setupFailure(result);
    }
    return std::nullopt;
}

std::optional<CaptureOutcome> startStream(AudioStream& stream, DWORD flags,
                                          const WAVEFORMATEX& format) {
    if (const HRESULT result = stream.client->Initialize(AUDCLNT_SHAREMODE_SHARED, flags,
                                                         kBufferDuration, 0, &format, nullptr);
        FAILED(result)) {
        return setupFailure(result);
    }
    if (const HRESULT result = stream.client->GetService(kIidIAudioCaptureClient,
                                                         reinterpret_cast<void**>(&stream.capture));
        FAILED(result)) {
        return setupFailure(result);
    }
    if (const HRESULT result = stream.client->Start(); FAILED(result)) {
        return setupFailure(result);
    }
    return std::nullopt;
}

std::optional<CaptureOutcome> openAudioStream(AudioStream& stream) {
    if (const std::optional<CaptureOutcome> failure = activateDefaultDevice(stream)) {
        return failure;
    }
    // Checked before anything is opened: a layout that cannot be converted would only record an
    // empty file.
    if (sampleLayoutOf(*stream.format) == SampleLayout::unsupported) {
        return CaptureOutcome::unsupportedFormat;
    }
    // The stream is opened in the device's own format: a shared-mode stream refuses a format whose
    // fields disagree, and rewriting only the channel count would have the system downmix into it.
    return startStream(stream, 0, *stream.format);
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
