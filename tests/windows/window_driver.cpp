// Drives the real voxwell.exe from outside, in the same Wine prefix, as a user would: it finds
// the window, clicks, answers the save dialog and the error box, and reads what the window shows.
// Each scenario exits 0 when every check held, 1 after printing what did not, 3 when the sine
// could not be checked because the signal's own stream underran.
//
// window_driver record    VOXWELL WORKDIR PATH SECONDS CHANNELS RATE FREQUENCY
// window_driver twocopies VOXWELL WORKDIR PATH SECONDS CHANNELS RATE FREQUENCY
//   Records as `record` does; meanwhile a second copy chooses the same file, replaces it when
//   asked, and must be refused it.
// window_driver close     VOXWELL WORKDIR PATH SECONDS CHANNELS RATE FREQUENCY HOLD HELD RELEASE
//   Before the close the driver creates HOLD and waits for HELD: the test then holds the
//   program's flushes to the device, so that the capture thread cannot finish the file while the
//   driver looks at the window; the driver then creates RELEASE for them to go on.
// window_driver cancel    VOXWELL WORKDIR
// window_driver nomic     VOXWELL WORKDIR PATH
// window_driver nofolder  VOXWELL WORKDIR PATH
// window_driver retry     VOXWELL WORKDIR BADPATH PATH SECONDS CHANNELS RATE FREQUENCY [FILLER]
//   BADPATH stops taking data (Z:\dev\full, or a disk that fills up): the window says so while
//   it records; after Stop and the box, the dialog that opens again is answered with PATH, which
//   must then hold the whole recording. With FILLER, that file is deleted before Stop, making
//   room again on a disk that filled up (PATH may then be BADPATH itself).
// window_driver quit      VOXWELL WORKDIR PATH SECONDS CHANNELS RATE FREQUENCY
//   WM_QUIT is posted to the window thread while it records: exit code 0 and a complete file.
// window_driver begin     VOXWELL WORKDIR PATH
//   Starts a recording into PATH and leaves the program running (for the session's end).
// window_driver kill      VOXWELL WORKDIR PATH SECONDS
//   Records into PATH for SECONDS, then ends the program from outside with TerminateProcess, as
//   a crash does; the test then reads what PATH holds.
// window_driver gap       VOXWELL WORKDIR PATH GONE
//   Records a 48 kHz stereo microphone carrying 997 Hz on its first channel into PATH; 2 s in,
//   creates GONE, at which the test removes the microphone and gives it back 3 s later. The
//   window must say that it waits for the microphone, go on with one gap, and PATH must hold the
//   sine before the gap and after it.
// window_driver checkfile PATH SECONDS CHANNELS RATE FREQUENCY
//   PATH holds at least SECONDS of the sine, complete and continuous.
//
// FREQUENCY is one frequency for the first channel, or a comma-separated list, one per channel.
#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/sine_checks.h"
#include "tests/support/wav_reader.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

int failures = 0;
// The exit code of a run that showed nothing wrong but could not check the whole sine.
constexpr int kInconclusive = 3;

void check(bool condition, const std::string& what) {
    if (!condition) {
        std::printf("FAILED: %s\n", what.c_str());
        std::fflush(stdout);
        ++failures;
    }
}

std::string narrow(const std::wstring& wide) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text.data(), size, nullptr, nullptr);
    return text;
}

std::wstring textOf(HWND window) {
    wchar_t buffer[1024] = L"";
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_BLOCK,
                        2000, &copied);
    return buffer;
}

bool waitFor(const auto& condition, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

struct Program {
    PROCESS_INFORMATION process{};
    HWND main = nullptr;

    HWND control(int id) const { return GetDlgItem(main, id); }
    // Read without a message, so that it also works while the window thread is busy joining.
    std::wstring status() const {
        wchar_t text[512] = L"";
        GetWindowTextW(control(0), text, 512);
        return text;
    }

    bool waitForStatus(const std::wstring& text, std::chrono::milliseconds timeout = 10s) const {
        const bool seen = waitFor([&] { return status() == text; }, timeout);
        check(seen, "status \"" + narrow(text) + "\", but it reads \"" + narrow(status()) + "\"");
        return seen;
    }

    // What a click on the button sends to the window.
    void click(int id) const {
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control(id)));
    }

    // Waits for the process to end and returns its exit code, or -1.
    long waitForExit(std::chrono::milliseconds timeout = 15s) const {
        if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout.count())) !=
            WAIT_OBJECT_0) {
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        return static_cast<long>(code);
    }

    void closeAndExpectExit() const {
        PostMessageW(main, WM_CLOSE, 0, 0);
        const long code = waitForExit();
        check(code == 0, "exit code 0 after the close, got " + std::to_string(code));
    }
};

struct Search {
    DWORD processId;
    const wchar_t* className;
    HWND owner;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM raw) {
    auto* search = reinterpret_cast<Search*>(raw);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[64] = L"";
    GetClassNameW(window, className, 64);
    if (processId == search->processId && std::wstring(className) == search->className &&
        (search->owner == nullptr || GetWindow(window, GW_OWNER) == search->owner) &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findWindow(const Program& program, const wchar_t* className, HWND owner,
                std::chrono::milliseconds timeout = 10s) {
    Search search{program.process.dwProcessId, className, owner, nullptr};
    waitFor(
        [&] {
            EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout);
    return search.found;
}

// Starts voxwell.exe in the given folder and checks its window as the user first sees it.
Program launch(const std::wstring& exe, const std::wstring& workdir) {
    Program program;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workdir.c_str(), &startup, &program.process)) {
        std::printf("FAILED: cannot start %s (error %lu)\n", narrow(exe).c_str(), GetLastError());
        std::exit(1);
    }
    program.main = findWindow(program, L"HarkboxApp", nullptr);
    if (program.main == nullptr) {
        std::printf("FAILED: no visible window of class HarkboxApp\n");
        TerminateProcess(program.process.hProcess, 1);
        std::exit(1);
    }
    wchar_t title[128] = L"";
    GetWindowTextW(program.main, title, 128);
    check(std::wstring(title) == L"Voxwell: Thread-Safe GUI 64K FFT",
          "title, got \"" + narrow(title) + "\"");
    check(program.status() == L"Ready", "status Ready at start");
    return program;
}

// The file-name box of the save dialog: an Edit inside a ComboBox inside a ComboBoxEx32, all
// with the id 0x47C.
HWND fileNameEdit(HWND dialog) {
    HWND box = GetDlgItem(dialog, 0x47C);
    for (const wchar_t* inner : {L"ComboBox", L"Edit"}) {
        if (HWND child = FindWindowExW(box, nullptr, inner, nullptr); child != nullptr) {
            box = child;
        }
    }
    return box;
}

// Start, then the save dialog: checks the proposed name and answers with the path (or Cancel),
// with Yes when the dialog asks whether to replace the file.
bool startWith(const Program& program, const std::wstring* path, bool replace = false) {
    program.click(1);
    const HWND dialog = findWindow(program, L"#32770", program.main);
    check(dialog != nullptr, "a save dialog owned by the window after Start");
    if (dialog == nullptr) {
        return false;
    }
    const HWND edit = fileNameEdit(dialog);
    check(textOf(edit) == L"output.wav",
          "proposed name output.wav, got \"" + narrow(textOf(edit)) + "\"");
    if (path != nullptr) {
        SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path->c_str()),
                            SMTO_BLOCK, 2000, nullptr);
    }
    PostMessageW(dialog, WM_COMMAND, path != nullptr ? IDOK : IDCANCEL, 0);
    if (replace) {
        const HWND prompt = findWindow(program, L"#32770", dialog);
        check(prompt != nullptr, "the dialog asks whether to replace the file");
        if (prompt != nullptr) {
            PostMessageW(prompt, WM_COMMAND, IDYES, 0);
        }
    }
    const bool closed = waitFor([&] { return !IsWindow(dialog); }, 10s);
    check(closed, "the save dialog closes");
    return closed;
}

// Stretches of exact zeros at least this long are where the signal's own stream underran (the
// null sink then mixes silence); the capture neither makes nor removes samples there.
constexpr std::size_t kUnderrunZeros = 24;

// Pieces of x between such stretches.
std::vector<std::vector<double>> splitAtUnderruns(const std::vector<double>& x) {
    std::vector<std::vector<double>> pieces(1);
    std::size_t zeros = 0;
    for (const double value : x) {
        zeros = value == 0.0 ? zeros + 1 : 0;
        pieces.back().push_back(value);
        if (zeros == kUnderrunZeros) {
            pieces.back().resize(pieces.back().size() - kUnderrunZeros);
            pieces.emplace_back();
        } else if (zeros > kUnderrunZeros) {
            pieces.back().pop_back();
        }
    }
    return pieces;
}

// The file holds the sine for as long as the recording ran, with no sample lost or repeated.
// Returns false when the signal's stream underran, which leaves the run inconclusive.
// Of one channel: the sine for as long as the recording ran, with no sample lost or repeated.
// Returns false when the signal's stream underran, which leaves the run inconclusive.
bool checkChannel(const std::vector<double>& x, unsigned channel, std::uint32_t rate,
                  double frequency) {
    const std::string name = "channel " + std::to_string(channel + 1) + ": ";
    // The sine may begin a moment after the stream: check from its first sample on.
    std::size_t begin = 0;
    while (begin < x.size() && std::fabs(x[begin]) < 100.0) {
        ++begin;
    }
    check(begin < rate / 5,
          name + "the sine within 0.2 s of the start, found at sample " + std::to_string(begin));
    const auto pieces = splitAtUnderruns(
        std::vector<double>(x.begin() + static_cast<std::ptrdiff_t>(begin), x.end()));
    for (const std::vector<double>& sine : pieces) {
        if (sine.size() < rate / 20) {
            continue;
        }
        check(std::fabs(sineFrequency(sine, rate) - frequency) < 1.0,
              name + "frequency " + std::to_string(sineFrequency(sine, rate)));
        check(smallestWindowPeak(sine, rate / 50) > 8000.0, name + "no gap in the sine");
        const ContinuityResult continuity = sineContinuity(sine, frequency, rate, 8.0);
        check(continuity.breaks == 0, name + std::to_string(continuity.breaks) +
                                          " breaks in the sine, first at " +
                                          std::to_string(begin + continuity.firstBreak));
    }
    if (pieces.size() > 1) {
        std::printf("INCONCLUSIVE: the signal's stream underran %zu times\n", pieces.size() - 1);
        return false;
    }
    return true;
}

// The file holds `seconds` (or, with atLeast, no less) of a sine in each channel that has a
// frequency. Returns false when the signal's stream underran.
bool checkSine(const std::wstring& path, double seconds, unsigned channels, std::uint32_t rate,
               const std::vector<double>& frequencies, bool atLeast = false) {
    WavFile wav;
    std::string error;
    if (!readWavFile(std::filesystem::path(path), wav, error)) {
        check(false, "the recording can be read: " + error);
        return true;
    }
    for (const std::string& problem : wavHeaderProblems(wav, channels, rate)) {
        check(false, problem);
    }
    const double recorded = static_cast<double>(wav.samples.size()) / channels / rate;
    check(atLeast ? recorded > seconds - 0.3 : std::fabs(recorded - seconds) < 0.3,
          "recorded " + std::to_string(recorded) + " s for " + std::to_string(seconds) + " s");
    bool conclusive = true;
    for (unsigned channel = 0; channel < frequencies.size() && channel < channels; ++channel) {
        conclusive = checkChannel(channelOf(wav.samples, channels, channel), channel, rate,
                                  frequencies[channel]) &&
                     conclusive;
    }
    return conclusive;
}

// "440" or "997,440": a frequency per channel.
std::vector<double> frequenciesOf(const std::wstring& text) {
    std::vector<double> frequencies;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t comma = std::min(text.find(L',', at), text.size());
        frequencies.push_back(std::wcstod(text.substr(at, comma - at).c_str(), nullptr));
        at = comma + 1;
    }
    return frequencies;
}

// Checks the error box owned by the window and closes it with OK.
void answerErrorBox(const Program& program, const std::wstring& text) {
    const HWND box = findWindow(program, L"#32770", program.main);
    check(box != nullptr, "an error box owned by the window");
    if (box == nullptr) {
        return;
    }
    wchar_t caption[64] = L"";
    GetWindowTextW(box, caption, 64);
    check(std::wstring(caption) == L"Error", "box caption Error");
    // The message text is the box's static control 0xFFFF.
    check(textOf(GetDlgItem(box, 0xFFFF)) == text,
          "box text, got \"" + narrow(textOf(GetDlgItem(box, 0xFFFF))) + "\"");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    check(waitFor([&] { return !IsWindow(box); }, 10s), "the error box closes");
}

constexpr const wchar_t* kKeptInMemory = L"Recording... (cannot write the file, kept in memory)";

// How a recording is ended once it has run.
enum class Ending {
    stop,
    closeWhileHeld,  // with the file's flushes held, see CloseCheck
    retryElsewhere,  // the file fails; after Stop the dialog that opens again gets another path
    quit,            // WM_QUIT posted to the window thread
};

// The files by which the driver and the test hand over the hold of the flushes.
struct CloseCheck {
    std::wstring hold;
    std::wstring held;
    std::wstring release;
};

void createMarker(const std::wstring& path) {
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
}

bool markerExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct Recording {
    std::wstring path;  // the first one chosen
    double seconds = 0.0;
    unsigned channels = 1;
    std::uint32_t rate = 48000;
    std::vector<double> frequencies;
    Ending ending = Ending::stop;
    CloseCheck closeCheck;   // for closeWhileHeld
    std::wstring retryPath;  // for retryElsewhere
    std::wstring filler;     // for retryElsewhere: deleted before Stop, if given
    std::function<void()> whileRecording;
};

// Where the recording must be found in the end.
std::wstring endRecording(const Program& program, const Recording& recording) {
    switch (recording.ending) {
        case Ending::stop:
            program.click(2);
            program.waitForStatus(L"Saved to: " + recording.path);
            program.closeAndExpectExit();
            return recording.path;
        case Ending::closeWhileHeld: {
            // Sent, so that the window has handled it when the call returns. The capture thread
            // cannot finish the file until its last flush goes on.
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(program.main, WM_CLOSE, 0, 0, SMTO_BLOCK, 5000, &ignored);
            std::this_thread::sleep_for(300ms);
            check(IsWindow(program.main), "the window stays while the recording finishes");
            const std::wstring status = program.status();
            const bool startEnabled = IsWindowEnabled(program.control(1));
            const bool stopEnabled = IsWindowEnabled(program.control(2));
            check(status == L"Waiting for recording thread to finish...",
                  "waiting text after the close, got \"" + narrow(status) + "\"");
            check(IsWindow(program.control(1)) && !startEnabled, "Start disabled while waiting");
            check(IsWindow(program.control(2)) && !stopEnabled, "Stop disabled while waiting");
            createMarker(recording.closeCheck.release);
            const long code = program.waitForExit();
            check(code == 0,
                  "exit code 0 after closing while recording, got " + std::to_string(code));
            return recording.path;
        }
        case Ending::retryElsewhere: {
            check(program.status() == kKeptInMemory,
                  "the failed file told while recording, got \"" + narrow(program.status()) + "\"");
            if (!recording.filler.empty()) {
                check(DeleteFileW(recording.filler.c_str()) != FALSE, "the filler is deleted");
            }
            program.click(2);
            answerErrorBox(program, L"Cannot write the file");
            const HWND dialog = findWindow(program, L"#32770", program.main);
            check(dialog != nullptr && GetDlgItem(dialog, 0x47C) != nullptr,
                  "the save dialog, owned by the window, opens again");
            if (dialog != nullptr) {
                // The failed file itself exists: the dialog asks whether to replace it.
                const bool exists = markerExists(recording.retryPath);
                SendMessageTimeoutW(fileNameEdit(dialog), WM_SETTEXT, 0,
                                    reinterpret_cast<LPARAM>(recording.retryPath.c_str()),
                                    SMTO_BLOCK, 2000, nullptr);
                PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                const HWND prompt = exists ? findWindow(program, L"#32770", dialog) : nullptr;
                check(!exists || prompt != nullptr, "the dialog asks whether to replace the file");
                if (prompt != nullptr) {
                    PostMessageW(prompt, WM_COMMAND, IDYES, 0);
                }
            }
            program.waitForStatus(L"Saved to: " + recording.retryPath, 30s);
            program.closeAndExpectExit();
            return recording.retryPath;
        }
        case Ending::quit: {
            PostThreadMessageW(GetWindowThreadProcessId(program.main, nullptr), WM_QUIT, 0, 0);
            const long code = program.waitForExit();
            check(code == 0,
                  "exit code 0 after WM_QUIT while recording, got " + std::to_string(code));
            return recording.path;
        }
    }
    return recording.path;
}

// Until the window shows that it records (with what it may say of the recording after it).
bool waitForRecording(const Program& program) {
    const bool recording =
        waitFor([&] { return program.status().starts_with(L"Recording..."); }, 10s);
    check(recording, "recording, but the status reads \"" + narrow(program.status()) + "\"");
    return recording;
}

int record(const Program& program, const Recording& recording) {
    if (!startWith(program, &recording.path) || !waitForRecording(program)) {
        return 1;
    }
    const auto began = Clock::now();
    if (recording.whileRecording) {
        recording.whileRecording();
    }
    if (recording.ending == Ending::closeWhileHeld) {
        createMarker(recording.closeCheck.hold);
        check(waitFor([&] { return markerExists(recording.closeCheck.held); }, 10s),
              "the flushes are held");
    }
    std::this_thread::sleep_until(began + std::chrono::duration<double>(recording.seconds));
    const double ran = std::chrono::duration<double>(Clock::now() - began).count();
    const std::wstring file = endRecording(program, recording);
    const bool conclusive =
        checkSine(file, ran, recording.channels, recording.rate, recording.frequencies);
    if (failures != 0) {
        return 1;
    }
    return conclusive ? 0 : kInconclusive;
}

// Of the sine in the first channel of a 48 kHz stereo file: at least `before` seconds, whole, up
// to where it breaks off, and at least `after` seconds, whole, from where it comes back.
void checkAroundGap(const std::wstring& path, double before, double after) {
    constexpr std::uint32_t kRate = 48000;
    constexpr double kFrequency = 997.0;
    WavFile wav;
    std::string error;
    if (!readWavFile(std::filesystem::path(path), wav, error)) {
        check(false, "the recording can be read: " + error);
        return;
    }
    for (const std::string& problem : wavHeaderProblems(wav, 2, kRate)) {
        check(false, problem);
    }
    const std::vector<double> x = channelOf(wav.samples, 2, 0);
    const auto soundFrom = [&x](std::size_t at) {
        while (at < x.size() && std::fabs(x[at]) < 100.0) {
            ++at;
        }
        return static_cast<std::ptrdiff_t>(at);
    };
    const std::ptrdiff_t start = soundFrom(0);
    const std::vector<double> first(x.begin() + start, x.end());
    const ContinuityResult gap = sineContinuity(first, kFrequency, kRate, 8.0);
    const double held = static_cast<double>(gap.firstBreak) / kRate;
    check(gap.breaks > 0 && held >= before, "the sine for " + std::to_string(held) +
                                                " s, then a break, expected " +
                                                std::to_string(before) + " s before the gap");
    const std::vector<double> rest(
        x.begin() + soundFrom(static_cast<std::size_t>(start) + gap.firstBreak), x.end());
    const double resumed = static_cast<double>(rest.size()) / kRate;
    check(resumed >= after, "the sine for " + std::to_string(resumed) + " s after the gap");
    check(std::fabs(sineFrequency(rest, kRate) - kFrequency) < 1.0,
          "frequency after the gap " + std::to_string(sineFrequency(rest, kRate)));
    const ContinuityResult continuity = sineContinuity(rest, kFrequency, kRate, 8.0);
    check(continuity.breaks == 0, std::to_string(continuity.breaks) +
                                      " breaks in the sine after the gap, first at " +
                                      std::to_string(continuity.firstBreak));
}

int gap(const Program& program, const std::wstring& path, const std::wstring& gone) {
    if (!startWith(program, &path) || !waitForRecording(program)) {
        return 1;
    }
    std::this_thread::sleep_for(2s);
    createMarker(gone);
    program.waitForStatus(L"Recording... (waiting for the microphone, 1 gap)");
    // The stream may open before the tone plays again.
    if (program.waitForStatus(L"Recording... (1 gap)", 20s)) {
        std::this_thread::sleep_for(4s);
    }
    program.click(2);
    program.waitForStatus(L"Saved to: " + path + L" (1 gap)");
    program.closeAndExpectExit();
    checkAroundGap(path, 1.5, 1.5);
    return failures == 0 ? 0 : 1;
}

// Another copy of the program chooses the file being recorded: it cannot open it for writing,
// so its recording ends at its start.
void secondCopyChooses(const std::wstring& exe, const std::wstring& workdir,
                       const std::wstring& path) {
    const Program second = launch(exe, workdir);
    if (startWith(second, &path, true)) {
        answerErrorBox(second, L"Cannot open file for writing");
        second.waitForStatus(L"Not saved: " + path);
    }
    second.closeAndExpectExit();
}

// SECONDS CHANNELS RATE FREQUENCY from argv[at] on.
Recording recordingOf(wchar_t** argv, int at, const std::wstring& path, Ending ending) {
    Recording recording;
    recording.path = path;
    recording.seconds = std::wcstod(argv[at], nullptr);
    recording.channels = static_cast<unsigned>(std::wcstoul(argv[at + 1], nullptr, 10));
    recording.rate = static_cast<std::uint32_t>(std::wcstoul(argv[at + 2], nullptr, 10));
    recording.frequencies = frequenciesOf(argv[at + 3]);
    recording.ending = ending;
    return recording;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring scenario = argc > 1 ? argv[1] : L"";
    if (scenario == L"checkfile" && argc == 7) {
        const Recording recording = recordingOf(argv, 3, argv[2], Ending::stop);
        const bool conclusive = checkSine(recording.path, recording.seconds, recording.channels,
                                          recording.rate, recording.frequencies, true);
        return failures != 0 ? 1 : (conclusive ? 0 : kInconclusive);
    }
    if (argc < 4) {
        std::printf("usage: window_driver SCENARIO VOXWELL WORKDIR [ARGS]\n");
        return 2;
    }
    const Program program = launch(argv[2], argv[3]);
    if (scenario == L"record" && argc == 9) {
        return record(program, recordingOf(argv, 5, argv[4], Ending::stop));
    }
    if (scenario == L"twocopies" && argc == 9) {
        Recording recording = recordingOf(argv, 5, argv[4], Ending::stop);
        recording.whileRecording = [&] { secondCopyChooses(argv[2], argv[3], recording.path); };
        return record(program, recording);
    }
    if (scenario == L"close" && argc == 12) {
        Recording recording = recordingOf(argv, 5, argv[4], Ending::closeWhileHeld);
        recording.closeCheck = {argv[9], argv[10], argv[11]};
        return record(program, recording);
    }
    if (scenario == L"retry" && (argc == 10 || argc == 11)) {
        Recording recording = recordingOf(argv, 6, argv[4], Ending::retryElsewhere);
        recording.retryPath = argv[5];
        recording.filler = argc == 11 ? argv[10] : L"";
        return record(program, recording);
    }
    if (scenario == L"quit" && argc == 9) {
        return record(program, recordingOf(argv, 5, argv[4], Ending::quit));
    }
    if (scenario == L"gap" && argc == 6) {
        return gap(program, argv[4], argv[5]);
    }
    if (scenario == L"begin" && argc == 5) {
        const std::wstring path = argv[4];
        startWith(program, &path);
        program.waitForStatus(L"Recording...");
    } else if (scenario == L"kill" && argc == 6) {
        const std::wstring path = argv[4];
        if (startWith(program, &path) && program.waitForStatus(L"Recording...")) {
            std::this_thread::sleep_for(
                std::chrono::duration<double>(std::wcstod(argv[5], nullptr)));
            check(TerminateProcess(program.process.hProcess, 1) != FALSE, "TerminateProcess");
            check(program.waitForExit() == 1, "the program ended by TerminateProcess");
        }
    } else if (scenario == L"cancel") {
        startWith(program, nullptr);
        std::this_thread::sleep_for(500ms);
        check(program.status() == L"Ready", "nothing starts after Cancel");
        program.closeAndExpectExit();
    } else if (scenario == L"nomic" && argc == 5) {
        const std::wstring path = argv[4];
        startWith(program, &path);
        program.waitForStatus(L"Recording failed: no microphone found");
        program.closeAndExpectExit();
    } else if (scenario == L"nofolder" && argc == 5) {
        const std::wstring path = argv[4];
        startWith(program, &path);
        answerErrorBox(program, L"Cannot open file for writing");
        program.waitForStatus(L"Not saved: " + path);
        program.closeAndExpectExit();
    } else {
        std::printf("unknown scenario or wrong arguments\n");
        TerminateProcess(program.process.hProcess, 1);
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
