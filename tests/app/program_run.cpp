#include "tests/app/program_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/win_main.h"
#include "state/shared_state.h"
#include "tests/support/wav_file.h"

namespace app_test {

standin::EndpointScript steadyEndpoint(UINT32 frames, std::chrono::microseconds period) {
    standin::EndpointScript script;
    script.mixFormat = standin::mixFormat(WAVE_FORMAT_PCM, 2, 48000, 16);
    script.period = period;
    script.packet = [frames](std::size_t index) -> std::optional<standin::Packet> {
        std::vector<std::int16_t> samples(std::size_t{frames} * 2);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const std::size_t position = index * samples.size() + i;
            samples[i] = static_cast<std::int16_t>((position * 7919u) % 65536u);
        }
        return standin::pcmPacket(samples, 2);
    };
    return script;
}

std::vector<std::int16_t> deliveredSamples() {
    std::vector<std::int16_t> samples;
    for (const standin::Packet& packet : standin::audioRecord().delivered) {
        const std::size_t count = packet.data.size() / sizeof(std::int16_t);
        const std::size_t start = samples.size();
        samples.resize(start + count);
        std::memcpy(samples.data() + start, packet.data.data(), packet.data.size());
    }
    return samples;
}

void ProgramTest::SetUp() {
    standin::setEndpoint(steadyEndpoint());
    dir_ = testing_support::freshDirectory("program");
}

void ProgramTest::TearDown() {
    std::filesystem::remove_all(dir_);
}

std::wstring widePath(const std::filesystem::path& path) {
    const std::string narrow = path.string();
    return std::wstring(narrow.begin(), narrow.end());
}

ProgramRun::ProgramRun(int showCommand) {
    standin::resetWindows();
    thread_ = std::thread([this, showCommand] {
        char commandLine[] = "";
        exitCode_ = WinMain(nullptr, nullptr, commandLine, showCommand);
        finished_ = true;
    });
    const bool created = waitUntil([this] {
        main_ = standin::findWindow(L"HarkboxApp");
        return main_ != nullptr && standin::windowInfo(main_)->showCommand != -1 &&
               standin::drawItems().size() == 3;
    });
    if (!created) {
        std::fprintf(stderr, "the main window was not created\n");
        std::abort();
    }
    controls_ = standin::childWindows(main_);
}

ProgramRun::~ProgramRun() {
    // Whatever state a failed test left: let every held thread go, cancel an open dialog, and
    // close until the window thread ends.
    standin::releasePosts();
    standin::releaseWindowThread();
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!finished_) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "the window thread did not end\n");
            std::abort();
        }
        if (standin::saveDialogOpen()) {
            // Cancelled; a recording waiting to be saved elsewhere is then discarded.
            standin::answerMessageBox(IDYES);
            standin::answerSaveDialog(std::nullopt);
        }
        PostMessageW(main_, WM_CLOSE, 0, 0);
        std::this_thread::sleep_for(20ms);
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::wstring ProgramRun::status() const {
    return standin::windowInfo(statusLine())->text;
}

std::vector<std::wstring> ProgramRun::statusHistory() const {
    std::vector<std::wstring> texts;
    for (const standin::WindowEvent& event : standin::windowEvents()) {
        if (event.kind == standin::WindowEventKind::textSet && event.window == statusLine()) {
            texts.push_back(event.text);
        }
    }
    return texts;
}

bool ProgramRun::waitForStatus(const std::wstring& text, std::chrono::milliseconds timeout) const {
    return waitUntil([&] { return status() == text; }, timeout);
}

bool ProgramRun::waitForDialogCount(std::size_t count) const {
    return waitUntil([count] { return standin::saveDialogs().size() >= count; });
}

void ProgramRun::startWith(const std::optional<std::wstring>& path) {
    const std::size_t before = standin::saveDialogs().size();
    standin::click(startButton());
    ASSERT_TRUE(waitForDialogCount(before + 1)) << "no save dialog";
    standin::answerSaveDialog(path);
    ASSERT_TRUE(waitUntil([] { return !standin::saveDialogOpen(); }));
}

void ProgramRun::record(const std::wstring& path) {
    startWith(path);
    // With its gaps or a file that fails, the text goes on after "Recording...".
    ASSERT_TRUE(waitUntil([&] { return status().starts_with(L"Recording..."); }));
}

void ProgramRun::stopAndWait() {
    const std::size_t before = statusHistory().size();
    standin::click(stopButton());
    ASSERT_TRUE(waitUntil([&] { return statusHistory().size() > before; }));
    ASSERT_TRUE(waitUntil([] { return !g_captureActive; }));
}

bool ProgramRun::windowDestroyed() const {
    return standin::windowInfo(main_)->destroyed;
}

std::optional<int> ProgramRun::waitForExit(std::chrono::milliseconds timeout) {
    if (!waitUntil([this] { return finished_.load(); }, timeout)) {
        return std::nullopt;
    }
    thread_.join();
    thread_ = std::thread();
    return exitCode_;
}

}  // namespace app_test
