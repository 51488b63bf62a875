#include "analysis/analysis_thread.h"

#include <cstdint>
#include <new>
#include <utility>

#include "analysis/analyze_block.h"
#include "state/shared_state.h"

namespace {

// Waits for the oldest queued block and moves it into `block`, with the rate it was recorded at.
// False once analysis must stop; blocks still queued then are left for the next recording's
// analysis thread.
bool takeOldestBlock(SampleBlock& block, std::int32_t& sampleRate) {
    std::unique_lock lock(g_queueMutex);
    while (g_blockQueue.empty() && g_analysisRunning) {
        g_queueCond.wait(lock);
    }
    if (!g_analysisRunning) {
        return false;
    }
    block = std::move(g_blockQueue.front());
    g_blockQueue.pop_front();
    sampleRate = g_sampleRate;
    return true;
}

}  // namespace

void analysisThreadMain() {
    if (!g_analysisRunning) {
        return;
    }
    for (;;) {
        {
            SampleBlock block;
            std::int32_t sampleRate = 0;
            if (!takeOldestBlock(block, sampleRate)) {
                return;
            }
            try {
                analyzeBlock(block.data(), block.size(), sampleRate);
            } catch (const std::bad_alloc&) {
                // Short of memory this block goes unanalysed; the next one tries again.
            }
        }
        // A stop that arrived during the analysis takes effect only now, after the block has
        // been published and announced.
        if (!g_analysisRunning) {
            return;
        }
    }
}
