#include "analysis/analysis_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <future>
#include <thread>
#include <vector>

#include "tests/standin/script/message_script.h"
#include "state/shared_state.h"
#include "tests/analysis/test_signals.h"

namespace {

using namespace std::chrono_literals;

// Long enough for a live thread to do its work, short enough not to stall a broken test.
constexpr auto kPatience = 10s;

class AnalysisThread : public ::testing::Test {
  protected:
    void SetUp() override {
        standin::resetMessages();
        {
            std::lock_guard lock(g_queueMutex);
            g_blockQueue.clear();
        }
        {
            std::lock_guard lock(g_spectrumMutex);
            g_spectrum.clear();
        }
        g_peakHz = -1.0f;
        g_sampleRate = 48000;
        g_analysisRunning = false;
    }

    void TearDown() override {
        if (worker_.joinable()) {
            stop();
        }
        std::lock_guard lock(g_queueMutex);
        g_blockQueue.clear();
    }

    // As the capture thread starts one recording's analysis.
    void start() {
        g_analysisRunning = true;
        worker_ = std::thread(analysisThreadMain);
    }

    // As the capture thread ends it: clear the flag under the queue mutex, wake every waiter,
    // join. Fails instead of hanging when the thread does not come back.
    void stop() {
        {
            std::lock_guard lock(g_queueMutex);
            g_analysisRunning = false;
        }
        g_queueCond.notify_all();
        std::future<void> joined = std::async(std::launch::async, [this] { worker_.join(); });
        ASSERT_EQ(joined.wait_for(kPatience), std::future_status::ready) << "thread did not stop";
    }

    static void queue(SampleBlock block) {
        {
            std::lock_guard lock(g_queueMutex);
            g_blockQueue.push_back(std::move(block));
        }
        g_queueCond.notify_one();
    }

    static std::size_t queued() {
        std::lock_guard lock(g_queueMutex);
        return g_blockQueue.size();
    }

    static std::size_t spectrumReadyCount() {
        const std::vector<MSG> posted = standin::postedMessages();
        return static_cast<std::size_t>(
            std::count_if(posted.begin(), posted.end(),
                          [](const MSG& msg) { return msg.message == WM_SPECTRUM_READY; }));
    }

    template <typename Condition>
    static bool eventually(Condition condition) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    // A block whose spectrum peaks in `bin`, and the frequency that bin stands for at 48 kHz.
    static SampleBlock blockPeakingIn(std::size_t bin) {
        return sineSamples(kBlockLength, bin, 20000.0);
    }
    static float hzOfBin(std::size_t bin) {
        return static_cast<float>(bin) * 48000.0f / static_cast<float>(kBlockLength);
    }

    std::thread worker_;
};

TEST_F(AnalysisThread, ReturnsAtOnceWhenNotRunningAndLeavesTheQueue) {
    queue(blockPeakingIn(10));
    analysisThreadMain();
    EXPECT_EQ(queued(), 1u);
    EXPECT_EQ(spectrumReadyCount(), 0u);
}

TEST_F(AnalysisThread, StopsPromptlyWhileWaitingOnAnEmptyQueue) {
    start();
    std::this_thread::sleep_for(20ms);  // let it reach the wait; the outcome must not depend on it
    stop();
    EXPECT_EQ(spectrumReadyCount(), 0u);
    EXPECT_EQ(g_peakHz.load(), -1.0f);
}

TEST_F(AnalysisThread, AnalysesQueuedBlocksOldestFirst) {
    start();
    queue(blockPeakingIn(300));
    ASSERT_TRUE(eventually([] { return spectrumReadyCount() == 1; }));
    EXPECT_EQ(g_peakHz.load(), hzOfBin(300));

    queue(blockPeakingIn(400));
    queue(blockPeakingIn(500));
    ASSERT_TRUE(eventually([] { return spectrumReadyCount() == 3; }));
    EXPECT_EQ(g_peakHz.load(), hzOfBin(500));
    EXPECT_EQ(queued(), 0u);
    stop();
    EXPECT_EQ(spectrumReadyCount(), 3u);
}

TEST_F(AnalysisThread, StopDuringAnalysisFinishesThatBlockAndLeavesTheRestQueued) {
    // Holding the spectrum mutex parks the thread inside the analysis, just before it publishes.
    std::unique_lock spectrumLock(g_spectrumMutex);
    queue(blockPeakingIn(700));
    queue(blockPeakingIn(900));
    start();
    ASSERT_TRUE(eventually([] { return queued() == 1; }));
    // The peak is stored before, and outside, the spectrum mutex.
    ASSERT_TRUE(eventually([] { return g_peakHz.load() == hzOfBin(700); }));
    {
        std::lock_guard lock(g_queueMutex);
        g_analysisRunning = false;
    }
    g_queueCond.notify_all();
    spectrumLock.unlock();
    stop();

    EXPECT_EQ(spectrumReadyCount(), 1u);
    {
        std::lock_guard lock(g_spectrumMutex);
        ASSERT_EQ(g_spectrum.size(), kSpectrumLength);
        EXPECT_EQ(g_spectrum[700], 1.0f);
    }
    EXPECT_EQ(queued(), 1u);

    // The next recording's thread takes the block that was left first.
    start();
    ASSERT_TRUE(eventually([] { return spectrumReadyCount() == 2; }));
    EXPECT_EQ(g_peakHz.load(), hzOfBin(900));
    EXPECT_EQ(queued(), 0u);
    stop();
}

}  // namespace
