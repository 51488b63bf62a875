#pragma once

#include <cstdint>
#include <vector>

#include "state/shared_state.h"

// Appends a packet's first channel to the waveform history (kept at its newest 65,536 samples)
// and, once the history is full and 200 ms have passed since the last block, queues a copy of it
// for the analysis thread. A block that finds the queue full is dropped, and the next packet tries
// again.
void feedDisplay(const std::vector<Sample>& firstChannel);
// The history and the queued blocks of the old rate are dropped, and blocks from now on are
// analysed at this one.
void changeDisplayRate(std::int32_t sampleRate);
