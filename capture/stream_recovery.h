// A recording's stream after it failed: released, then the default capture device opened again
// once a second until one opens or the recording is stopped.
#pragma once

#include <chrono>
#include <cstdint>

#include "capture/audio_stream.h"

// The capture loop's pace, kept while waiting so that Stop stays as prompt.
constexpr auto kCapturePollWait = std::chrono::milliseconds(5);
constexpr auto kReopenInterval = std::chrono::seconds(1);

// Stops the failed stream and releases all of it.
void releaseFailedStream(AudioStream& stream);

// Opens the default capture device into `stream` (released) while g_recording is set, trying
// once every kReopenInterval: in the recording's own channels and rate where the device has them
// or the system converts to them, otherwise in the device's format. True once a stream runs,
// false when the recording was stopped first.
bool waitForMicrophone(AudioStream& stream, unsigned channels, std::uint32_t sampleRate);
