// Opening and releasing the shared-mode capture stream on the default capture endpoint.
#pragma once

#include "platform/platform.h"
#include "state/shared_state.h"

// A device of two or more channels is recorded as its first two, of fewer as one.
unsigned recordingChannels(unsigned deviceChannels);

// Runs the set-up steps in order and stops at the first that fails: microphoneUnavailable for a
// failing call, unsupportedFormat for a mix format that is neither 16-bit PCM nor 32-bit float.
// The stream is initialised with the mix format unchanged.
// Every pointer obtained is left set for releaseAudioStream, failure or not.
CaptureOutcome openAudioStream(IMMDeviceEnumerator*& enumerator, IMMDevice*& device,
                               IAudioClient*& client, WAVEFORMATEX*& format,
                               IAudioCaptureClient*& capture);

// Frees the mix format and releases the interfaces in reverse order of acquisition.
void releaseAudioStream(IMMDeviceEnumerator* enumerator, IMMDevice* device, IAudioClient* client,
                        WAVEFORMATEX* format, IAudioCaptureClient* capture);
