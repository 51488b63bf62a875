// Runs the capture thread against the real Core Audio stack (under Wine: its PulseAudio driver)
// and checks what it did. Exit status 0 when every check passed.
//
//   capture_probe record PATH SECONDS CHANNELS RATE AMPLITUDE FREQUENCY [RIGHT_FREQUENCY]
//       The default microphone carries a sine of FREQUENCY Hz (RIGHT_FREQUENCY on the second
//       channel) at AMPLITUDE of full scale: record SECONDS and check the file.
//   capture_probe nomic PATH
//       There is no capture device: the recording must fail as such without creating PATH.
//   capture_probe ending PATH SECONDS ENDS MAX_SECONDS
//       Something happens to the microphone while it records for up to SECONDS: the recording
//       must end in one of the ways ENDS lists ("stopped|outOfMemory"), save a readable file
//       and hold at most MAX_SECONDS of audio.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/windows/capture_session.h"
#include "tests/support/sine_checks.h"
#include "tests/support/wav_reader.h"

namespace {

// Allowed gap between the recording's length and the time it ran.
constexpr double kDurationTolerance = 0.35;
// The capture truncates each float toward zero (error below one step), so a clean recurrence
// residual stays below 1 + 2 + 1.
constexpr double kContinuityTolerance = 4.5;
constexpr double kFrequencyTolerance = 0.5;
constexpr double kFullScale = 32767.0;

int g_failures = 0;

void expect(bool ok, const std::string& what) {
    if (!ok) {
        std::printf("FAIL: %s\n", what.c_str());
        ++g_failures;
    }
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

bool expectFinishedSession(const CaptureSession& session, CaptureOutcome expected) {
    expect(session.finished, "WM_CAPTURE_DONE did not arrive; the capture thread is stuck");
    if (!session.finished) {
        return false;
    }
    expect(session.doneMessages == 1,
           "WM_CAPTURE_DONE posted " + std::to_string(session.doneMessages) + " times");
    expect(!session.startedAfterDone, "WM_CAPTURE_STARTED arrived after WM_CAPTURE_DONE");
    expect(!session.stillActive, "g_captureActive still set after the thread ended");
    expect(session.outcome == expected, std::string("outcome ") + outcomeName(session.outcome) +
                                            ", expected " + outcomeName(expected));
    std::printf("ended %s after %.3f s, %u gaps\n", endName(session.end), session.secondsCaptured,
                session.gaps);
    return true;
}

// The whole recording is judged, its first packet included: with the virtual microphone running
// before capture starts, every sample should belong to the sine.
void checkChannel(const std::vector<double>& x, unsigned channel, double rate, double amplitude,
                  double frequency) {
    const std::string name = "channel " + std::to_string(channel + 1) + ": ";
    if (x.size() < static_cast<std::size_t>(rate / 10)) {
        expect(false, name + "too short to judge: " + std::to_string(x.size()) + " samples");
        return;
    }
    const double expectedPeak = amplitude * kFullScale;
    const double measured = sineFrequency(x, rate);
    // Windows just over a period long: each reaches the peak unless part of it is missing.
    const double smallestPeak =
        smallestWindowPeak(x, static_cast<std::size_t>(std::ceil(rate / frequency)) + 1);
    const double largest = largestMagnitude(x);
    const ContinuityResult continuity = sineContinuity(x, frequency, rate, kContinuityTolerance);
    std::printf("%sfrequency %.3f Hz, window peaks %.0f..%.0f, largest residual %.2f, breaks %zu\n",
                name.c_str(), measured, smallestPeak, largest, continuity.largestResidual,
                continuity.breaks);

    expect(std::abs(measured - frequency) <= kFrequencyTolerance,
           name + "frequency " + number(measured) + " Hz, expected " + number(frequency));
    expect(smallestPeak >= 0.9 * expectedPeak && largest <= 1.01 * expectedPeak + 1.0,
           name + "level outside " + number(0.9 * expectedPeak) + ".." +
               number(1.01 * expectedPeak) + ": a gap, silence or wrong scaling");
    expect(continuity.breaks == 0, name + std::to_string(continuity.breaks) +
                                       " samples break the sine, first at " +
                                       number(static_cast<double>(continuity.firstBreak) / rate) +
                                       " s (dropped, repeated or altered samples)");
}

int record(const std::vector<std::wstring>& args) {
    if (args.size() < 6 || args.size() > 7) {
        std::printf("usage: record PATH SECONDS CHANNELS RATE AMPLITUDE FREQUENCY [RIGHT]\n");
        return 2;
    }
    const std::filesystem::path path(args[0]);
    const double seconds = std::stod(args[1]);
    const auto channels = static_cast<unsigned>(std::stoul(args[2]));
    const auto rate = static_cast<std::uint32_t>(std::stoul(args[3]));
    const double amplitude = std::stod(args[4]);
    std::vector<double> frequencies = {std::stod(args[5])};
    if (args.size() == 7) {
        frequencies.push_back(std::stod(args[6]));
    }
    if (frequencies.size() != channels) {
        std::printf("one frequency per channel expected\n");
        return 2;
    }

    const CaptureSession session = runCaptureSession(args[0], seconds);
    if (!expectFinishedSession(session, CaptureOutcome::saved)) {
        return 1;
    }
    expect(session.startedMessages == 1,
           "WM_CAPTURE_STARTED posted " + std::to_string(session.startedMessages) + " times");

    WavFile wav;
    std::string error;
    if (!readWavFile(path, wav, error)) {
        expect(false, error);
        return 1;
    }
    for (const std::string& problem : wavHeaderProblems(wav, channels, rate)) {
        expect(false, "header: " + problem);
    }
    const double recordedSeconds =
        static_cast<double>(wav.samples.size()) / channels / static_cast<double>(rate);
    std::printf("captured for %.3f s, file holds %.3f s (%zu samples)\n", session.secondsCaptured,
                recordedSeconds, wav.samples.size());
    expect(std::abs(recordedSeconds - session.secondsCaptured) <= kDurationTolerance,
           "file holds " + number(recordedSeconds) + " s but capture ran " +
               number(session.secondsCaptured) + " s");
    if (wav.channels != channels) {
        return 1;
    }
    for (unsigned channel = 0; channel < channels; ++channel) {
        checkChannel(channelOf(wav.samples, channels, channel), channel, rate, amplitude,
                     frequencies[channel]);
    }
    return g_failures == 0 ? 0 : 1;
}

int ending(const std::vector<std::wstring>& args) {
    if (args.size() != 4) {
        std::printf("usage: ending PATH SECONDS ENDS MAX_SECONDS\n");
        return 2;
    }
    const std::filesystem::path path(args[0]);
    const CaptureSession session = runCaptureSession(args[0], std::stod(args[1]));
    if (!expectFinishedSession(session, CaptureOutcome::saved)) {
        return 1;
    }
    const std::string ends(args[2].begin(), args[2].end());
    bool listed = false;
    for (std::size_t at = 0; at <= ends.size();) {
        const std::size_t bar = std::min(ends.find('|', at), ends.size());
        listed = listed || ends.compare(at, bar - at, endName(session.end)) == 0;
        at = bar + 1;
    }
    expect(listed, std::string("ended ") + endName(session.end) + ", expected one of " + ends);
    WavFile wav;
    std::string error;
    if (!readWavFile(path, wav, error)) {
        expect(false, "the file can be read: " + error);
        return 1;
    }
    const double held = static_cast<double>(wav.samples.size()) /
                        std::max<std::uint16_t>(wav.channels, 1) / std::max(wav.sampleRate, 1u);
    std::printf("file holds %.3f s\n", held);
    expect(held <= std::stod(args[3]),
           "more audio than the microphone gave: " + number(held) + " s");
    return g_failures == 0 ? 0 : 1;
}

int withoutMicrophone(const std::vector<std::wstring>& args) {
    if (args.size() != 1) {
        std::printf("usage: nomic PATH\n");
        return 2;
    }
    const std::filesystem::path path(args[0]);
    const CaptureSession session = runCaptureSession(args[0], 1.0);
    if (expectFinishedSession(session, CaptureOutcome::noMicrophone)) {
        expect(session.startedMessages == 0, "WM_CAPTURE_STARTED posted without a microphone");
    }
    expect(!std::filesystem::exists(path), "a file was created without a microphone");
    return g_failures == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + std::min(argc, 2), argv + argc);
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    int status = 2;
    if (mode == L"record") {
        status = record(args);
    } else if (mode == L"nomic") {
        status = withoutMicrophone(args);
    } else if (mode == L"ending") {
        status = ending(args);
    } else {
        std::printf("usage: capture_probe record|nomic|ending ...\n");
    }
    std::printf("%s\n", status == 0 ? "PASS" : "FAILED");
    return status;
}
