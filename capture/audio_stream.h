// Opening and releasing the shared-mode capture stream on the default capture endpoint.
#pragma once

#include <optional>

#include "platform/platform.h"
#include "state/shared_state.h"

// A device of two or more channels is recorded as its first two, of fewer as one.
unsigned recordingChannels(unsigned deviceChannels);

// What a capture stream holds, in order of acquisition; null until obtained.
struct AudioStream {
    IMMDeviceEnumerator* enumerator = nullptr;
    IMMDevice* device = nullptr;
    IAudioClient* client = nullptr;
    WAVEFORMATEX* format = nullptr;  // the mix format, from the system's task allocator
    IAudioCaptureClient* capture = nullptr;
    // What the stream delivers when the system converts the mix format to 16-bit PCM for it.
    std::optional<WAVEFORMATEX> converted;
};

// The format of the samples the stream delivers.
const WAVEFORMATEX& deliveredFormat(const AudioStream& stream);

// Runs the set-up steps in order and stops at the first that fails: for a failing call the
// outcome its result names (microphoneUnavailable for a result without a cause of its own),
// unsupportedFormat for a mix format that is neither 16-bit PCM nor 32-bit float; nothing once
// the stream runs. The stream is initialised with the mix format unchanged. Every pointer
// obtained is left set for releaseAudioStream, failure or not.
std::optional<CaptureOutcome> openAudioStream(AudioStream& stream);

// The steps of openAudioStream, for opening a stream again: the default device's client and mix
// format; then the stream initialised in `format` with these flags, its capture client, and Start.
std::optional<CaptureOutcome> activateDefaultDevice(AudioStream& stream);
std::optional<CaptureOutcome> startStream(AudioStream& stream, DWORD flags,
                                          const WAVEFORMATEX& format);

// Frees the mix format and releases the interfaces in reverse order of acquisition.
void releaseAudioStream(AudioStream& stream);
