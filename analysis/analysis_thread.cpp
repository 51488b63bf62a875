#include "analysis/analysis_thread.h"

#include "state/shared_state.h"

void analysisThreadMain() {
    if (!g_analysisRunning) {
        return;
    }
    for (;;) {
        SampleBlock block;
        {
            std::unique_lock lock(g_queueMutex);
            while (g_blockQueue.empty() && g_analysisRunning) {
                g_queueCond.wait(lock);
            }
            if (!g_analysisRunning) {
                return;
            }
            block = std::move(g_blockQueue.front());
            g_blockQueue.pop_front();
        }
        if (!g_analysisRunning) {
            return;
        }
    }
}
