// The capture thread's in-memory recording: every converted sample, frames interleaved.
//
// It grows in fixed-size chunks, so appending a packet costs time in proportion to the packet,
// never to what is already recorded, and memory stays close to two bytes per sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "state/samples.h"

constexpr std::size_t kRecordingChunkSamples = std::size_t{1} << 20;

void appendToRecording(RecordingBuffer& recording, const Sample* samples, std::size_t count);
std::uint64_t recordedSampleCount(const RecordingBuffer& recording);
// The samples that follow the first `from`, up to the end of their chunk; empty at the end.
std::span<const Sample> samplesAfter(const RecordingBuffer& recording, std::uint64_t from);
