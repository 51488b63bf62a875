// The moments around the creation of the capture thread: creation failing, and a thread that is
// slow to take its first step while the user goes on clicking.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>

#include "tests/app/program_run.h"
#include "state/shared_state.h"
#include "tests/support/thread_creation.h"
#include "tests/support/wav_file.h"

namespace app_test {
namespace {

using ThreadStart = ProgramTest;

TEST_F(ThreadStart, AThreadThatCannotBeCreatedLeavesStartUsable) {
    ProgramRun run;
    testing_support::failThreadCreation(1);
    run.startWith(pathOf("never.wav"));
    ASSERT_TRUE(run.waitForStatus(L"Recording failed: could not start the recording thread"));
    EXPECT_FALSE(g_recording);
    EXPECT_EQ(standin::audioRecord().comInitialisations, 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "never.wav"));

    run.record(pathOf("later.wav"));
    run.stopAndWait();
    EXPECT_EQ(run.status(), L"Saved to: " + pathOf("later.wav"));
}

TEST_F(ThreadStart, CloseBeforeTheThreadRunsWaitsForItsFile) {
    ProgramRun run;
    testing_support::delayNextThreadStart(200ms);
    standin::click(run.startButton());
    standin::answerSaveDialog(pathOf("starting.wav"));
    standin::clickCloseBox(run.main());
    EXPECT_EQ(run.waitForExit(), 0);
    EXPECT_EQ(run.statusHistory(),
              (std::vector<std::wstring>{L"Waiting for recording thread to finish...",
                                         L"Saved to: " + pathOf("starting.wav")}));
    EXPECT_FALSE(g_captureThread.joinable());
    EXPECT_FALSE(g_captureActive);
    EXPECT_EQ(std::filesystem::file_size(dir_ / "starting.wav"), 44u);
}

TEST_F(ThreadStart, CloseBeforeTheThreadRunsStillTellsThatTheFileCannotBeOpened) {
    ProgramRun run;
    testing_support::delayNextThreadStart(200ms);
    const std::wstring missing = pathOf("missing") + L"/x.wav";
    standin::click(run.startButton());
    standin::answerSaveDialog(missing);
    standin::clickCloseBox(run.main());
    EXPECT_EQ(run.waitForExit(), 0);
    const auto boxes = standin::messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"Cannot open file for writing");
    EXPECT_EQ(boxes[0].owner, run.main());
    const auto events = standin::windowEvents();
    const auto box = std::find_if(events.begin(), events.end(), [](const auto& event) {
        return event.kind == standin::WindowEventKind::messageBox;
    });
    const auto destroyed = std::find_if(events.begin(), events.end(), [&](const auto& event) {
        return event.kind == standin::WindowEventKind::destroyed && event.window == run.main();
    });
    EXPECT_LT(box, destroyed);
}

TEST_F(ThreadStart, StartStopStartBeforeTheThreadRunsKeepsBothRecordings) {
    ProgramRun run;
    testing_support::delayNextThreadStart(200ms);
    standin::click(run.startButton());
    standin::answerSaveDialog(pathOf("a.wav"));
    standin::click(run.stopButton());
    standin::click(run.startButton());
    ASSERT_TRUE(run.waitForDialogCount(2));
    // The first capture's report is handled while the dialog is open.
    ASSERT_TRUE(run.waitForStatus(L"Saved to: " + pathOf("a.wav")));
    standin::setEndpoint(steadyEndpoint());
    standin::answerSaveDialog(pathOf("b.wav"));
    ASSERT_TRUE(run.waitForStatus(L"Recording..."));
    ASSERT_TRUE(waitUntil([] { return standin::audioRecord().delivered.size() >= 5; }));
    EXPECT_TRUE(g_recording) << "the second recording must not be ended by the first's report";
    run.stopAndWait();
    EXPECT_EQ(run.statusHistory(),
              (std::vector<std::wstring>{L"Recording...", L"Saved to: " + pathOf("a.wav"),
                                         L"Recording...", L"Saved to: " + pathOf("b.wav")}));
    EXPECT_EQ(std::filesystem::file_size(dir_ / "a.wav"), 44u);
    EXPECT_EQ(std::filesystem::file_size(dir_ / "b.wav"), 44u + 2 * deliveredSamples().size());
}

}  // namespace
}  // namespace app_test
