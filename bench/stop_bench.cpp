// From Stop to the end of a recording, after 1 minute and after 30 minutes of 48 kHz stereo
// audio: the time until the capture thread posts WM_CAPTURE_DONE (the window then shows "Saved
// to:") and until the thread has ended (what the close handshake and the end of a session wait
// for). The capture thread runs against the stand-in's endpoint, which hands out the audio as fast
// as it is taken; the last second is held back until the file has caught up with the rest, as a
// device's real pace would leave it at Stop: written, and flushed once since, with the last second
// arriving at the device's pace.
//
// stop_bench [FOLDER]   writes its recordings into FOLDER (default: the current directory)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "capture/capture_thread.h"
#include "state/shared_state.h"
#include "tests/standin/script/audio_script.h"
#include "tests/standin/script/file_script.h"
#include "tests/standin/script/message_script.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;
using namespace std::chrono_literals;

constexpr WORD kChannels = 2;
constexpr DWORD kRate = 48000;
constexpr UINT32 kPacketFrames = 480;  // 10 ms
constexpr std::size_t kPacketsPerSecond = kRate / kPacketFrames;
constexpr std::uintmax_t kHeaderBytes = 44;
constexpr std::uintmax_t kPacketBytes = kPacketFrames * kChannels * sizeof(std::int16_t);

HWND benchWindow() {
    static int window;
    return reinterpret_cast<HWND>(&window);
}

// Packets up to `released` are handed out at once; a later one is asked for only after the bench
// raises the bound, so that the capture thread waits in the platform call as for a real device.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t released = 0;
    std::size_t asked = 0;       // the packet the endpoint was last asked for
    Clock::time_point paceFrom;  // when the last second begins to arrive, a packet every 10 ms
};

struct Timing {
    double toCaptureDone = 0.0;
    double toThreadEnd = 0.0;
};

Timing stopAfter(std::size_t seconds, const std::filesystem::path& file) {
    const std::size_t packets = seconds * kPacketsPerSecond;
    const standin::Packet packet =
        standin::pcmPacket(std::vector<std::int16_t>(kPacketFrames * kChannels, 1000), kChannels);
    Gate gate;
    gate.released = packets - kPacketsPerSecond;

    standin::EndpointScript script;
    script.mixFormat = standin::mixFormat(WAVE_FORMAT_PCM, kChannels, kRate, 16);
    script.packet = [&](std::size_t index) -> std::optional<standin::Packet> {
        std::unique_lock lock(gate.mutex);
        gate.asked = index;
        gate.changed.notify_all();
        if (index >= packets) {
            return std::nullopt;
        }
        gate.changed.wait(lock, [&] { return index < gate.released; });
        if (index >= packets - kPacketsPerSecond) {
            lock.unlock();
            std::this_thread::sleep_until(gate.paceFrom +
                                          (index + kPacketsPerSecond - packets) * 10ms);
        }
        return packet;
    };
    standin::setEndpoint(std::move(script));
    standin::resetMessages();
    g_outputPathUtf8 = file.string();
    g_recording = true;
    std::thread capture(captureThreadMain, file.wstring(), benchWindow());

    const auto waitForAsked = [&](std::size_t index) {
        std::unique_lock lock(gate.mutex);
        gate.changed.wait(lock, [&] { return gate.asked >= index; });
    };
    waitForAsked(gate.released);
    // The file catches up with what has been handed out, or, written only at the end, stays as
    // it is.
    const std::uintmax_t caughtUp = kHeaderBytes + gate.released * kPacketBytes;
    std::uintmax_t size = 0;
    auto grew = Clock::now();
    while (size < caughtUp && Clock::now() - grew < 500ms) {
        standin::resetMessages();
        std::this_thread::sleep_for(10ms);
        const std::uintmax_t now = std::filesystem::file_size(file);
        if (now != size) {
            size = now;
            grew = Clock::now();
        }
    }
    // At a device's pace the writer would have flushed what it wrote since.
    const std::size_t flushes = standin::fileRecord().flushes.size();
    const auto caught = Clock::now();
    while (standin::fileRecord().flushes.size() == flushes && Clock::now() - caught < 3s) {
        std::this_thread::sleep_for(10ms);
    }
    {
        std::lock_guard lock(gate.mutex);
        gate.released = packets;
        gate.paceFrom = Clock::now();
    }
    gate.changed.notify_all();
    // The last packet has been taken once the endpoint is asked for the one after it.
    waitForAsked(packets);
    std::this_thread::sleep_for(20ms);
    standin::resetMessages();

    const auto stop = Clock::now();
    g_recording = false;
    standin::waitForPosted(WM_CAPTURE_DONE, 600s);
    const auto done = Clock::now();
    capture.join();
    const auto ended = Clock::now();
    std::filesystem::remove(file);
    return {Milliseconds(done - stop).count(), Milliseconds(ended - stop).count()};
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : ".";
    constexpr int kRepetitions = 5;
    std::printf("%-10s %22s %22s\n", "audio", "Stop to WM_CAPTURE_DONE", "Stop to thread end");
    for (const std::size_t seconds : {std::size_t{60}, std::size_t{30 * 60}}) {
        std::vector<Timing> timings;
        for (int i = 0; i < kRepetitions; ++i) {
            timings.push_back(stopAfter(seconds, folder / "stop_bench.wav"));
        }
        std::sort(timings.begin(), timings.end(), [](const Timing& a, const Timing& b) {
            return a.toCaptureDone < b.toCaptureDone;
        });
        const Timing& median = timings[kRepetitions / 2];
        double slowest = 0.0;
        for (const Timing& timing : timings) {
            slowest = std::max(slowest, timing.toThreadEnd);
        }
        std::printf("%4zu min   %16.1f ms %16.1f ms   (median of %d; slowest end %.1f ms)\n",
                    seconds / 60, median.toCaptureDone, median.toThreadEnd, kRepetitions, slowest);
        std::fflush(stdout);
    }
    return 0;
}
