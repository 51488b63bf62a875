#include "capture/display_feed.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using namespace std::chrono_literals;

class DisplayFeed : public ::testing::Test {
  protected:
    void SetUp() override {
        g_leftHistory.clear();
        g_blockQueue.clear();
    }
    void TearDown() override {
        g_leftHistory.clear();
        g_blockQueue.clear();
    }

    // A packet whose samples continue a running count, so every sample is recognisable.
    std::vector<Sample> nextPacket(std::size_t size) {
        std::vector<Sample> packet(size);
        for (Sample& s : packet) {
            s = static_cast<Sample>(counter_++);
        }
        return packet;
    }

    // Pretends the last block was queued long enough ago.
    static void blockIntervalElapsed() { g_lastBlockTime = std::chrono::steady_clock::now() - 1s; }

    std::uint32_t counter_ = 0;
};

TEST_F(DisplayFeed, HistoryKeepsTheNewest65536SamplesInOrder) {
    g_lastBlockTime = std::chrono::steady_clock::now() + 1h;  // no blocks in this test
    feedDisplay(nextPacket(1000));
    EXPECT_EQ(g_leftHistory.size(), 1000u);
    for (int i = 0; i < 70; ++i) {
        feedDisplay(nextPacket(1000));
    }
    ASSERT_EQ(g_leftHistory.size(), kHistoryLength);
    // 71,000 samples fed: the history starts at sample 71,000 - 65,536.
    for (std::size_t i = 0; i < kHistoryLength; ++i) {
        ASSERT_EQ(g_leftHistory[i], static_cast<Sample>(71000 - 65536 + i)) << i;
    }
    EXPECT_TRUE(g_blockQueue.empty());
    feedDisplay({});
    EXPECT_EQ(g_leftHistory.size(), kHistoryLength);
}

TEST_F(DisplayFeed, QueuesTheNewestFullHistoryOncePer200Ms) {
    blockIntervalElapsed();
    feedDisplay(nextPacket(kHistoryLength - 1));
    EXPECT_TRUE(g_blockQueue.empty()) << "history not yet full";
    const auto before = std::chrono::steady_clock::now();
    feedDisplay(nextPacket(10));
    ASSERT_EQ(g_blockQueue.size(), 1u);
    EXPECT_EQ(g_blockQueue.back(), g_leftHistory);
    EXPECT_EQ(g_blockQueue.back().back(), static_cast<Sample>(kHistoryLength + 8));
    EXPECT_GE(g_lastBlockTime, before);

    feedDisplay(nextPacket(10));
    EXPECT_EQ(g_blockQueue.size(), 1u) << "less than 200 ms since the last block";
    g_lastBlockTime = std::chrono::steady_clock::now() - 100ms;
    feedDisplay(nextPacket(10));
    EXPECT_EQ(g_blockQueue.size(), 1u);
    g_lastBlockTime = std::chrono::steady_clock::now() - 200ms;
    feedDisplay(nextPacket(10));
    EXPECT_EQ(g_blockQueue.size(), 2u) << "200 ms reached";
}

TEST_F(DisplayFeed, FullQueueDropsTheNewBlockAndTriesAgainNextPacket) {
    feedDisplay(nextPacket(kHistoryLength));
    for (std::size_t i = 0; i < kMaxQueuedBlocks; ++i) {
        blockIntervalElapsed();
        feedDisplay(nextPacket(1));
    }
    ASSERT_EQ(g_blockQueue.size(), kMaxQueuedBlocks);
    const SampleBlock oldest = g_blockQueue.front();

    blockIntervalElapsed();
    const auto unchanged = g_lastBlockTime;
    feedDisplay(nextPacket(1));
    EXPECT_EQ(g_blockQueue.size(), kMaxQueuedBlocks);
    EXPECT_EQ(g_blockQueue.front(), oldest) << "the new block is dropped, not the oldest";
    EXPECT_EQ(g_lastBlockTime, unchanged);

    g_blockQueue.pop_front();
    feedDisplay(nextPacket(1));
    EXPECT_EQ(g_blockQueue.size(), kMaxQueuedBlocks) << "the next packet queues at once";
    EXPECT_EQ(g_blockQueue.back(), g_leftHistory);
}

}  // namespace
