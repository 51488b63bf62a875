// Appending one hour of 48 kHz stereo audio, in 10 ms packets, to a recording buffer: the slowest
// single append (a stall there loses audio) and the memory held per byte recorded.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include <ctime>

#include "capture/recording_buffer.h"

namespace {

// CPU time of this thread: what an append costs, without the time the scheduler gave to other
// processes (which wall-clock time on a loaded machine would add).
std::chrono::nanoseconds threadCpuTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

void BM_RecordOneHourStereo48k(benchmark::State& state) {
    constexpr std::size_t kPacketSamples = 480 * 2;  // 10 ms, two channels
    constexpr std::size_t kPackets = 100 * 60 * 60;  // one hour
    const std::vector<Sample> packet(kPacketSamples, 1234);
    for (auto _ : state) {
        RecordingBuffer recording;
        std::chrono::nanoseconds slowestWall{0};
        std::chrono::nanoseconds slowestCpu{0};
        for (std::size_t i = 0; i < kPackets; ++i) {
            const auto wallBegin = std::chrono::steady_clock::now();
            const auto cpuBegin = threadCpuTime();
            appendToRecording(recording, packet.data(), packet.size());
            slowestCpu = std::max(slowestCpu, threadCpuTime() - cpuBegin);
            slowestWall = std::max(slowestWall, std::chrono::steady_clock::now() - wallBegin);
        }
        std::size_t held = recording.chunks.size() * sizeof(std::vector<Sample>);
        for (const auto& chunk : recording.chunks) {
            held += chunk.capacity() * sizeof(Sample);
        }
        const double recorded =
            static_cast<double>(recordedSampleCount(recording) * sizeof(Sample));
        using Milliseconds = std::chrono::duration<double, std::milli>;
        state.counters["slowest_append_cpu_ms"] = Milliseconds(slowestCpu).count();
        state.counters["slowest_append_wall_ms"] = Milliseconds(slowestWall).count();
        state.counters["bytes_held_per_byte"] = static_cast<double>(held) / recorded;
        benchmark::DoNotOptimize(recording.chunks.front().data());
    }
}

BENCHMARK(BM_RecordOneHourStereo48k)->Iterations(1)->Repetitions(3)->Unit(benchmark::kSecond);

}  // namespace
