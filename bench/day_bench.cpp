// A day-long recording through the stand-in: hours of 48 kHz stereo in 10 ms packets, handed out
// as fast as the capture thread takes them, or SPEED times a device's pace, into files in FOLDER
// (past 6 h 12 min the recording goes on in a second file). Reports the peak of the heap the
// program held during the recording (every allocation counted), the process's peak resident
// memory, how long it took, and the files it left, which are then removed.
//
// day_bench [FOLDER [HOURS [SPEED]]]   (default: the current directory, 8 hours, 0: as fast as
//                                       taken)
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <thread>

#include "capture/capture_thread.h"
#include "capture/wav_files.h"
#include "state/shared_state.h"
#include "tests/standin/script/audio_script.h"
#include "tests/standin/script/message_script.h"

namespace {

std::atomic<std::int64_t> liveBytes{0};
std::atomic<std::int64_t> peakBytes{0};

void* allocate(std::size_t size) {
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    const std::int64_t live = liveBytes += static_cast<std::int64_t>(malloc_usable_size(memory));
    std::int64_t peak = peakBytes;
    while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
    }
    return memory;
}

void release(void* memory) {
    if (memory != nullptr) {
        liveBytes -= static_cast<std::int64_t>(malloc_usable_size(memory));
        std::free(memory);
    }
}

long peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

HWND benchWindow() {
    static int window;
    return reinterpret_cast<HWND>(&window);
}

}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void operator delete(void* memory) noexcept {
    release(memory);
}
void operator delete[](void* memory) noexcept {
    release(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    release(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    release(memory);
}

int main(int argc, char** argv) {
    using namespace std::chrono_literals;
    constexpr WORD kChannels = 2;
    constexpr DWORD kRate = 48000;
    constexpr UINT32 kPacketFrames = 480;
    const std::filesystem::path folder = argc > 1 ? argv[1] : ".";
    const double hours = argc > 2 ? std::atof(argv[2]) : 8.0;
    const double speed = argc > 3 ? std::atof(argv[3]) : 0.0;
    const auto packets = static_cast<std::size_t>(hours * 3600 * kRate / kPacketFrames);

    std::vector<std::int16_t> samples(kPacketFrames * kChannels);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(i * 37);
    }
    const standin::Packet packet = standin::pcmPacket(samples, kChannels);
    std::atomic<std::size_t> asked{0};
    standin::EndpointScript script;
    script.mixFormat = standin::mixFormat(WAVE_FORMAT_PCM, kChannels, kRate, 16);
    script.keepRecord = false;
    const auto fedFrom = std::chrono::steady_clock::now();
    script.packet = [&](std::size_t index) -> std::optional<standin::Packet> {
        asked = index;
        if (speed > 0) {
            std::this_thread::sleep_until(
                fedFrom +
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                    std::chrono::duration<double>(0.01 * static_cast<double>(index) / speed)));
        }
        return index < packets ? std::optional(packet) : std::nullopt;
    };
    standin::setEndpoint(std::move(script));
    standin::resetMessages();
    const std::filesystem::path first = folder / "day_bench.wav";
    g_outputPathUtf8 = first.string();

    const std::int64_t baseline = liveBytes;
    peakBytes = baseline;
    const auto began = std::chrono::steady_clock::now();
    g_recording = true;
    std::thread capture(captureThreadMain, first.wstring(), benchWindow());
    while (asked < packets) {
        std::this_thread::sleep_for(100ms);
        standin::resetMessages();
    }
    g_recording = false;
    capture.join();
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    std::printf("%.1f h of 48 kHz stereo (%zu packets) at %s in %.0f s: outcome %s, %u files\n",
                hours, packets,
                speed > 0 ? (std::to_string(speed) + " times a device's pace").c_str()
                          : "the pace it is taken",
                took, g_captureOutcome == CaptureOutcome::saved ? "saved" : "NOT SAVED",
                g_fileCount.load());
    std::printf("peak heap held during the recording: %.1f MiB (above %.1f MiB before it)\n",
                static_cast<double>(peakBytes - baseline) / (1 << 20),
                static_cast<double>(baseline) / (1 << 20));
    std::printf("peak resident memory of the process: %.1f MiB\n",
                static_cast<double>(peakResidentKiB()) / 1024);
    for (unsigned n = 1; n <= g_fileCount; ++n) {
        const auto path = std::filesystem::path(numberedFileName(first.string(), n));
        std::printf("  %s: %ju bytes\n", path.filename().c_str(), std::filesystem::file_size(path));
        std::filesystem::remove(path);
    }
    return g_captureOutcome == CaptureOutcome::saved ? 0 : 1;
}
