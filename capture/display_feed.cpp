#include "capture/display_feed.h"

#include <chrono>
#include <new>

namespace {

constexpr std::chrono::nanoseconds kBlockInterval{200'000'000};

void updateHistoryAndQueue(const std::vector<Sample>& firstChannel) {
    std::lock_guard waveLock(g_waveMutex);
    g_leftHistory.insert(g_leftHistory.end(), firstChannel.begin(), firstChannel.end());
    if (g_leftHistory.size() > kHistoryLength) {
        g_leftHistory.erase(g_leftHistory.begin(),
                            g_leftHistory.end() - static_cast<std::ptrdiff_t>(kHistoryLength));
    }
    const auto now = std::chrono::steady_clock::now();
    if (g_leftHistory.size() < kBlockLength || now - g_lastBlockTime < kBlockInterval) {
        return;
    }
    SampleBlock block(g_leftHistory.end() - static_cast<std::ptrdiff_t>(kBlockLength),
                      g_leftHistory.end());
    std::lock_guard queueLock(g_queueMutex);
    if (g_blockQueue.size() < kMaxQueuedBlocks) {
        g_blockQueue.push_back(std::move(block));
        g_queueCond.notify_one();
        g_lastBlockTime = now;
    }
}

}  // namespace

void changeDisplayRate(std::int32_t sampleRate) {
    std::lock_guard waveLock(g_waveMutex);
    g_leftHistory.clear();
    std::lock_guard queueLock(g_queueMutex);
    g_blockQueue.clear();
    g_sampleRate = sampleRate;
}

void feedDisplay(const std::vector<Sample>& firstChannel) {
    try {
        updateHistoryAndQueue(firstChannel);
    } catch (const std::bad_alloc&) {
        // Short of memory the display skips this packet; the recording goes on.
    }
}
