// The program from WinMain on, on its own window thread with the real capture thread and the
// stand-in's scripted endpoint, driven as a user drives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/main_window.h"
#include "display/panels.h"
#include "tests/app/program_run.h"
#include "state/shared_state.h"
#include "tests/support/wav_file.h"

namespace app_test {
namespace {

using standin::WindowEventKind;
using testing_support::readWav;

class WindowFlow : public ProgramTest {
  protected:
    // The file holds, in order, exactly the samples the endpoint delivered.
    static void expectRecordingOf(const std::filesystem::path& file) {
        ASSERT_TRUE(std::filesystem::exists(file)) << file;
        if (deliveredSamples().empty()) {
            EXPECT_EQ(std::filesystem::file_size(file), 44u);
            return;
        }
        const WavFile wav = readWav(file);
        EXPECT_EQ(wav.channels, 2);
        EXPECT_EQ(wav.sampleRate, 48000u);
        EXPECT_EQ(wav.samples, deliveredSamples());
    }

    static std::size_t indexOf(const std::vector<standin::WindowEvent>& events,
                               WindowEventKind kind, HWND window, const std::wstring& text = {}) {
        const auto found = std::find_if(events.begin(), events.end(), [&](const auto& event) {
            return event.kind == kind && event.window == window &&
                   (text.empty() || event.text == text);
        });
        return static_cast<std::size_t>(found - events.begin());
    }
};

TEST_F(WindowFlow, ShowsItsWindowRepaintsPanelsOnceAndClosesAtOnceWhenIdle) {
    ProgramRun run(SW_SHOWNORMAL);

    const auto windowClass = standin::registeredClass(L"HarkboxApp");
    ASSERT_TRUE(windowClass);
    EXPECT_EQ(windowClass->style, CS_HREDRAW | CS_VREDRAW);
    EXPECT_EQ(windowClass->procedure, &mainWindowProc);
    EXPECT_EQ(windowClass->classExtra, 0);
    EXPECT_EQ(windowClass->windowExtra, 0);
    EXPECT_EQ(windowClass->icon, nullptr);
    EXPECT_EQ(windowClass->cursor, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_NE(windowClass->cursor, nullptr);
    EXPECT_EQ(windowClass->background, reinterpret_cast<HBRUSH>(std::intptr_t{6}));
    EXPECT_FALSE(windowClass->hasMenuName);

    const auto main = *standin::windowInfo(run.main());
    EXPECT_EQ(main.text, L"Voxwell: Thread-Safe GUI 64K FFT");
    EXPECT_EQ(main.exStyle, 0u);
    EXPECT_EQ(main.style, 0xCF0000u);
    EXPECT_EQ(main.x, CW_USEDEFAULT);
    EXPECT_EQ(main.y, CW_USEDEFAULT);
    EXPECT_EQ(main.width, 400);
    EXPECT_EQ(main.height, 270);
    EXPECT_EQ(main.parent, nullptr);
    EXPECT_FALSE(main.hasParam);
    EXPECT_EQ(main.showCommand, SW_SHOWNORMAL);

    struct Expected {
        const wchar_t* className;
        const wchar_t* text;
        DWORD style;
        INT_PTR id;
        int x, y, width, height;
    };
    const Expected expected[] = {
        {L"BUTTON", L"Start Recording", 0x50000000, 1, 20, 20, 140, 30},
        {L"BUTTON", L"Stop", 0x50000000, 2, 180, 20, 80, 30},
        {L"STATIC", L"Ready", 0x50000000, 0, 20, 60, 340, 20},
        {L"STATIC", L"", 0x5000000D, 3, 20, 90, 340, 20},
        {L"STATIC", L"", 0x5000000D, 4, 20, 120, 340, 40},
        {L"STATIC", L"", 0x5000000D, 5, 20, 170, 340, 40},
    };
    ASSERT_EQ(run.controls().size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const auto control = *standin::windowInfo(run.controls()[i]);
        EXPECT_EQ(control.className, expected[i].className);
        EXPECT_EQ(control.text, expected[i].text);
        EXPECT_EQ(control.style, expected[i].style);
        EXPECT_EQ(control.exStyle, 0u);
        EXPECT_EQ(control.id, expected[i].id);
        EXPECT_EQ(control.x, expected[i].x);
        EXPECT_EQ(control.y, expected[i].y);
        EXPECT_EQ(control.width, expected[i].width);
        EXPECT_EQ(control.height, expected[i].height);
        EXPECT_EQ(control.instance, nullptr);
        EXPECT_FALSE(control.hasParam);
    }

    // Shown, each panel is painted once; a burst of notifications gives one more paint each.
    ASSERT_TRUE(standin::waitUntilIdle(5s));
    const auto firstPaints = standin::drawItems();
    ASSERT_EQ(firstPaints.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(firstPaints[i].item, run.controls()[3 + i]);
        EXPECT_EQ(firstPaints[i].fields.CtlID, 3 + i);
        EXPECT_EQ(firstPaints[i].fields.rcItem.right, 340);
        EXPECT_EQ(firstPaints[i].fields.rcItem.bottom, expected[3 + i].height);
    }
    EXPECT_EQ(g_mainWindow, run.main());
    ASSERT_TRUE(standin::holdWindowThread(5s));
    for (int i = 0; i < 50; ++i) {
        PostMessageW(run.main(), WM_SPECTRUM_READY, 0, 0);
    }
    standin::releaseWindowThread();
    ASSERT_TRUE(standin::waitUntilIdle(5s));
    const auto paints = standin::drawItems();
    ASSERT_EQ(paints.size(), 6u);
    std::vector<HWND> repainted;
    for (std::size_t i = 3; i < 6; ++i) {
        repainted.push_back(paints[i].item);
    }
    std::sort(repainted.begin(), repainted.end());
    std::vector<HWND> panels(run.controls().begin() + 3, run.controls().end());
    std::sort(panels.begin(), panels.end());
    EXPECT_EQ(repainted, panels);

    standin::clickCloseBox(run.main());
    EXPECT_EQ(run.waitForExit(), 0);
    EXPECT_TRUE(run.windowDestroyed());
    EXPECT_EQ(standin::quitCode(), 0);
    EXPECT_TRUE(run.statusHistory().empty()) << "closing while idle shows nothing";
    EXPECT_EQ(standin::foreignThreadCalls(), 0);
}

TEST_F(WindowFlow, RecordsEachChosenFileAndCancelStartsNothing) {
    ProgramRun run;
    const std::wstring first = pathOf("first.wav");

    standin::click(run.startButton());
    ASSERT_TRUE(run.waitForDialogCount(1));
    const standin::SaveDialogRecord dialog = standin::saveDialogs()[0];
    EXPECT_EQ(dialog.fields.lStructSize, sizeof(OPENFILENAMEW));
    EXPECT_EQ(dialog.fields.hwndOwner, run.main());
    EXPECT_EQ(dialog.filter,
              (std::vector<std::wstring>{L"WAV files", L"*.wav", L"All files", L"*.*"}));
    EXPECT_EQ(dialog.proposedName, L"output.wav");
    EXPECT_EQ(dialog.fields.nMaxFile, 260u);
    EXPECT_EQ(dialog.fields.Flags, OFN_OVERWRITEPROMPT);
    EXPECT_EQ(dialog.fields.hInstance, nullptr);
    EXPECT_EQ(dialog.fields.lpstrCustomFilter, nullptr);
    EXPECT_EQ(dialog.fields.nFilterIndex, 0u);
    EXPECT_EQ(dialog.fields.lpstrFileTitle, nullptr);
    EXPECT_EQ(dialog.fields.lpstrInitialDir, nullptr);
    EXPECT_EQ(dialog.fields.lpstrTitle, nullptr);
    EXPECT_EQ(dialog.fields.lpstrDefExt, nullptr);
    EXPECT_EQ(dialog.fields.lpfnHook, nullptr);
    EXPECT_EQ(dialog.fields.FlagsEx, 0u);
    EXPECT_EQ(dialog.thread, standin::windowInfo(run.main())->thread);
    standin::answerSaveDialog(first);
    ASSERT_TRUE(run.waitForStatus(L"Recording..."));

    // The panels follow the recording.
    ASSERT_TRUE(waitUntil([] { return standin::drawItems().size() >= 9; }));

    run.stopAndWait();
    EXPECT_EQ(run.status(), L"Saved to: " + first);
    expectRecordingOf(dir_ / "first.wav");

    // A cancelled Start proposes "output.wav" again, empties the display data and changes
    // nothing else.
    {
        std::lock_guard lock(g_waveMutex);
        g_leftHistory.assign(100, 7);
    }
    {
        std::lock_guard lock(g_spectrumMutex);
        g_spectrum.assign(kSpectrumLength, 0.5f);
    }
    standin::setEndpoint(steadyEndpoint());
    run.startWith(std::nullopt);
    ASSERT_TRUE(standin::waitUntilInputHandled(5s));
    EXPECT_EQ(standin::saveDialogs().back().proposedName, L"output.wav");
    EXPECT_EQ(run.status(), L"Saved to: " + first);
    EXPECT_FALSE(g_recording);
    EXPECT_EQ(standin::audioRecord().comInitialisations, 0) << "no capture may start";
    EXPECT_EQ(g_outputPath, first);
    EXPECT_EQ(g_outputPathUtf8, (dir_ / "first.wav").string());
    {
        std::lock_guard lock(g_waveMutex);
        EXPECT_TRUE(g_leftHistory.empty());
    }
    {
        std::lock_guard lock(g_spectrumMutex);
        EXPECT_TRUE(g_spectrum.empty());
    }

    // A name beyond ASCII is created exactly as typed.
    const std::wstring second = pathOf("") + L"Aufnahme \u00FC\u20AC\U0001F600.wav";
    run.record(second);
    ASSERT_TRUE(waitUntil([] { return standin::audioRecord().delivered.size() >= 3; }));
    run.stopAndWait();
    EXPECT_EQ(run.status(), L"Saved to: " + second);
    expectRecordingOf(dir_ / "Aufnahme \xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80.wav");
    EXPECT_EQ(standin::saveDialogs().back().proposedName, L"output.wav");

    standin::clickCloseBox(run.main());
    EXPECT_EQ(run.waitForExit(), 0);
    EXPECT_EQ(standin::foreignThreadCalls(), 0);
}

TEST_F(WindowFlow, StartIsRefusedWhileACaptureStartsRunsOrFinishes) {
    ProgramRun run;
    // The second click is handled right after the thread is created, before it can run.
    standin::click(run.startButton());
    standin::answerSaveDialog(pathOf("a.wav"));
    standin::click(run.startButton());
    ASSERT_TRUE(run.waitForStatus(L"Recording..."));
    standin::click(run.startButton());
    ASSERT_TRUE(standin::waitUntilInputHandled(5s));
    EXPECT_EQ(standin::saveDialogs().size(), 1u);

    // Finishing: the capture thread has left its loop and written the file, and is held just
    // before it reports.
    standin::holdPosts(WM_CAPTURE_DONE);
    standin::click(run.stopButton());
    ASSERT_TRUE(standin::waitForHeldPost(WM_CAPTURE_DONE, 5s));
    standin::click(run.startButton());
    ASSERT_TRUE(standin::waitUntilInputHandled(5s));
    EXPECT_EQ(standin::saveDialogs().size(), 1u);
    EXPECT_EQ(run.status(), L"Recording...");
    standin::releasePosts();
    ASSERT_TRUE(run.waitForStatus(L"Saved to: " + pathOf("a.wav")));
    expectRecordingOf(dir_ / "a.wav");

    // Idle again: Start opens the dialog.
    run.startWith(std::nullopt);
    EXPECT_EQ(standin::saveDialogs().size(), 2u);
}

TEST_F(WindowFlow, StopBeforeTheCaptureLoopBeganStillEndsSaved) {
    ProgramRun run;
    standin::holdPosts(WM_CAPTURE_STARTED);
    run.startWith(pathOf("early.wav"));
    ASSERT_TRUE(standin::waitForHeldPost(WM_CAPTURE_STARTED, 5s));
    standin::click(run.stopButton());
    ASSERT_TRUE(standin::waitUntilInputHandled(5s));
    EXPECT_FALSE(g_recording);
    standin::releasePosts();
    ASSERT_TRUE(run.waitForStatus(L"Saved to: " + pathOf("early.wav")));
    EXPECT_EQ(run.statusHistory(),
              (std::vector<std::wstring>{L"Recording...", L"Saved to: " + pathOf("early.wav")}));
    expectRecordingOf(dir_ / "early.wav");
}

TEST_F(WindowFlow, CloseWhileRecordingKeepsTheWindowUntilTheFileIsComplete) {
    ProgramRun run;
    run.record(pathOf("closing.wav"));
    standin::holdPosts(WM_CAPTURE_DONE);
    standin::clickCloseBox(run.main());
    ASSERT_TRUE(run.waitForStatus(L"Waiting for recording thread to finish..."));
    ASSERT_TRUE(standin::waitForHeldPost(WM_CAPTURE_DONE, 5s));
    ASSERT_TRUE(standin::waitUntilInputHandled(5s));
    EXPECT_FALSE(run.windowDestroyed()) << "the capture thread has not reported yet";
    EXPECT_FALSE(standin::windowInfo(run.startButton())->enabled);
    EXPECT_FALSE(standin::windowInfo(run.stopButton())->enabled);
    const auto events = standin::windowEvents();
    EXPECT_LT(indexOf(events, WindowEventKind::disabled, run.startButton()),
              indexOf(events, WindowEventKind::disabled, run.stopButton()));

    // A second close repeats the same steps; disabled buttons take no clicks.
    standin::clickCloseBox(run.main());
    standin::click(run.startButton());
    standin::click(run.stopButton());
    ASSERT_TRUE(standin::waitUntilInputHandled(5s));
    EXPECT_FALSE(run.windowDestroyed());
    const auto history = run.statusHistory();
    EXPECT_EQ(
        std::count(history.begin(), history.end(), L"Waiting for recording thread to finish..."),
        2);
    EXPECT_EQ(run.status(), L"Waiting for recording thread to finish...");
    EXPECT_EQ(standin::saveDialogs().size(), 1u);

    standin::releasePosts();
    EXPECT_EQ(run.waitForExit(), 0);
    const auto final = standin::windowEvents();
    const std::size_t saved = indexOf(final, WindowEventKind::textSet, run.statusLine(),
                                      L"Saved to: " + pathOf("closing.wav"));
    ASSERT_LT(saved, final.size());
    EXPECT_LT(saved, indexOf(final, WindowEventKind::destroyed, run.main()));
    expectRecordingOf(dir_ / "closing.wav");
    EXPECT_FALSE(g_captureThread.joinable());
    EXPECT_FALSE(g_closePending);
    EXPECT_FALSE(g_captureActive);
}

TEST_F(WindowFlow, CommandsActWhateverTheirNotificationCode) {
    ProgramRun run;
    PostMessageW(run.main(), WM_COMMAND, MAKEWPARAM(9, BN_CLICKED), 0);
    ASSERT_TRUE(standin::waitUntilIdle(5s));
    EXPECT_TRUE(standin::saveDialogs().empty());

    PostMessageW(run.main(), WM_COMMAND, MAKEWPARAM(1, 0x7777), 12345);
    ASSERT_TRUE(run.waitForDialogCount(1));
    standin::answerSaveDialog(pathOf("codes.wav"));
    ASSERT_TRUE(run.waitForStatus(L"Recording..."));
    PostMessageW(run.main(), WM_COMMAND, MAKEWPARAM(2, 1), 0);
    ASSERT_TRUE(run.waitForStatus(L"Saved to: " + pathOf("codes.wav")));
}

TEST_F(WindowFlow, AStartPostedWhileTheDialogIsOpenKeepsItsOwnRecording) {
    ProgramRun run;
    standin::click(run.startButton());
    ASSERT_TRUE(run.waitForDialogCount(1));
    PostMessageW(run.main(), WM_COMMAND, 1, 0);
    ASSERT_TRUE(run.waitForDialogCount(2)) << "posted messages reach the window in the dialog";
    standin::answerSaveDialog(pathOf("inner.wav"));
    ASSERT_TRUE(run.waitForStatus(L"Recording..."));
    standin::answerSaveDialog(pathOf("outer.wav"));
    ASSERT_TRUE(waitUntil([] { return !standin::saveDialogOpen(); }));
    run.stopAndWait();
    EXPECT_EQ(run.status(), L"Saved to: " + pathOf("inner.wav"));
    expectRecordingOf(dir_ / "inner.wav");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "outer.wav"));
}

TEST_F(WindowFlow, FailedRecordingsAreNeverReportedSaved) {
    ProgramRun run;
    const std::thread::id windowThread = standin::windowInfo(run.main())->thread;
    std::vector<std::wstring> seenDuringBox;
    standin::onMessageBox([&](const standin::MessageBoxRecord&) {
        // On the window thread, while the box is open.
        EXPECT_FALSE(g_captureThread.joinable()) << "the box must wait for the join";
        EXPECT_FALSE(run.windowDestroyed());
        seenDuringBox.push_back(run.status());
    });

    // Each case waits for the capture thread to end before the endpoint is replaced.
    const auto captureEnded = [] { return waitUntil([] { return !g_captureActive; }); };
    standin::failCall(standin::AudioCall::getDefaultAudioEndpoint, E_NOTFOUND);
    run.startWith(pathOf("nomic.wav"));
    ASSERT_TRUE(run.waitForStatus(L"Recording failed: no microphone found"));
    ASSERT_TRUE(captureEnded());

    standin::EndpointScript unsupported = steadyEndpoint();
    unsupported.mixFormat = standin::mixFormat(WAVE_FORMAT_PCM, 2, 48000, 24);
    standin::setEndpoint(unsupported);
    run.startWith(pathOf("format.wav"));
    ASSERT_TRUE(run.waitForStatus(L"Recording failed: unsupported audio format"));
    ASSERT_TRUE(captureEnded());

    standin::setEndpoint(steadyEndpoint());
    const std::wstring missing = pathOf("missing") + L"/x.wav";
    run.startWith(missing);
    ASSERT_TRUE(run.waitForStatus(L"Not saved: " + missing));
    ASSERT_TRUE(captureEnded());

    standin::setEndpoint(steadyEndpoint());
    run.record(L"/dev/full");
    // The file fails at its first write; the recording goes on, and the window says so at once.
    const std::wstring keptInMemory = L"Recording... (cannot write the file, kept in memory)";
    ASSERT_TRUE(run.waitForStatus(keptInMemory));
    ASSERT_TRUE(waitUntil([] { return standin::audioRecord().delivered.size() >= 3; }));
    // Asked for another place, the user cancels and discards the recording.
    const std::size_t dialogs = standin::saveDialogs().size();
    standin::click(run.stopButton());
    ASSERT_TRUE(run.waitForDialogCount(dialogs + 1));
    standin::answerMessageBox(IDYES);
    standin::answerSaveDialog(std::nullopt);
    ASSERT_TRUE(run.waitForStatus(L"Not saved: /dev/full"));

    auto boxes = standin::messageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, L"Cannot open file for writing");
    EXPECT_EQ(boxes[1].text, L"Cannot write the file");
    EXPECT_EQ(boxes[2].text, L"Discard the recording?");
    boxes.pop_back();
    for (const auto& box : boxes) {
        EXPECT_EQ(box.owner, run.main());
        EXPECT_EQ(box.caption, L"Error");
        EXPECT_EQ(box.type, MB_OK | MB_ICONERROR);
        EXPECT_EQ(box.thread, windowThread);
    }
    EXPECT_EQ(seenDuringBox,
              (std::vector<std::wstring>{L"Recording failed: unsupported audio format",
                                         keptInMemory, keptInMemory}))
        << "the status changes only after the box";
    for (const std::wstring& text : run.statusHistory()) {
        EXPECT_EQ(text.find(L"Saved to: "), std::wstring::npos) << "failed, yet reported saved";
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ / "nomic.wav"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "format.wav"));
    standin::onMessageBox(nullptr);
}

TEST_F(WindowFlow, TheErrorBoxComesBeforeAPendingCloseDestroysTheWindow) {
    ProgramRun run;
    bool windowAliveDuringBox = false;
    standin::onMessageBox(
        [&](const standin::MessageBoxRecord&) { windowAliveDuringBox = !run.windowDestroyed(); });
    const std::wstring missing = pathOf("missing") + L"/x.wav";
    standin::holdPosts(WM_CAPTURE_DONE);
    run.startWith(missing);
    ASSERT_TRUE(standin::waitForHeldPost(WM_CAPTURE_DONE, 5s));
    standin::clickCloseBox(run.main());
    ASSERT_TRUE(run.waitForStatus(L"Waiting for recording thread to finish..."));
    standin::releasePosts();
    EXPECT_EQ(run.waitForExit(), 0);
    EXPECT_TRUE(windowAliveDuringBox);
    const auto events = standin::windowEvents();
    const std::size_t box = indexOf(events, WindowEventKind::messageBox, run.main());
    ASSERT_LT(box, events.size());
    EXPECT_LT(
        box, indexOf(events, WindowEventKind::textSet, run.statusLine(), L"Not saved: " + missing));
    EXPECT_LT(indexOf(events, WindowEventKind::textSet, run.statusLine(), L"Not saved: " + missing),
              indexOf(events, WindowEventKind::destroyed, run.main()));
    standin::onMessageBox(nullptr);
}

TEST_F(WindowFlow, AFailedWriteAsksForAnotherPlaceUntilTheRecordingIsSaved) {
    ProgramRun run;
    run.record(L"/dev/full");
    ASSERT_TRUE(waitUntil([] { return standin::audioRecord().delivered.size() >= 3; }));
    std::size_t dialogs = standin::saveDialogs().size();
    standin::click(run.stopButton());
    ASSERT_TRUE(run.waitForDialogCount(++dialogs));
    EXPECT_EQ(standin::saveDialogs().back().proposedName, L"full");
    EXPECT_EQ(standin::saveDialogs().back().filter, standin::saveDialogs().front().filter);
    EXPECT_EQ(standin::saveDialogs().back().fields.hwndOwner, run.main());

    // Start stays refused while the recording waits.
    PostMessageW(run.main(), WM_COMMAND, 1, 0);
    ASSERT_TRUE(standin::waitUntilIdle(5s));
    EXPECT_EQ(standin::saveDialogs().size(), dialogs);

    // A place that fails too: the box again, then the dialog again.
    const std::wstring missing = pathOf("missing") + L"/x.wav";
    standin::answerSaveDialog(missing);
    ASSERT_TRUE(run.waitForDialogCount(++dialogs));
    EXPECT_EQ(standin::saveDialogs().back().proposedName, L"x.wav");
    // Cancel, and no to discarding: the dialog once more.
    standin::answerMessageBox(IDNO);
    standin::answerSaveDialog(std::nullopt);
    ASSERT_TRUE(run.waitForDialogCount(++dialogs));
    standin::answerSaveDialog(pathOf("kept.wav"));
    ASSERT_TRUE(run.waitForStatus(L"Saved to: " + pathOf("kept.wav")));
    expectRecordingOf(dir_ / "kept.wav");
    const auto history = run.statusHistory();
    EXPECT_NE(std::find(history.begin(), history.end(), L"Saving to: " + pathOf("kept.wav")),
              history.end());

    std::vector<std::wstring> boxes;
    for (const auto& box : standin::messageBoxes()) {
        boxes.push_back(box.text);
        EXPECT_EQ(box.owner, run.main());
    }
    EXPECT_EQ(boxes, (std::vector<std::wstring>{L"Cannot write the file", L"Cannot write the file",
                                                L"Discard the recording?"}));
    EXPECT_EQ(standin::messageBoxes().back().caption, L"Voxwell");
    EXPECT_EQ(standin::messageBoxes().back().type, MB_YESNO | MB_ICONQUESTION);

    // Saved, the window records again.
    standin::setEndpoint(steadyEndpoint());
    run.record(pathOf("next.wav"));
    run.stopAndWait();
    EXPECT_EQ(run.status(), L"Saved to: " + pathOf("next.wav"));
}

TEST_F(WindowFlow, CloseWhileARecordingWaitsToBeSavedClosesOnceItIsSaved) {
    ProgramRun run;
    run.record(L"/dev/full");
    ASSERT_TRUE(waitUntil([] { return standin::audioRecord().delivered.size() >= 3; }));
    const std::size_t dialogs = standin::saveDialogs().size();
    standin::click(run.stopButton());
    ASSERT_TRUE(run.waitForDialogCount(dialogs + 1));
    PostMessageW(run.main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(standin::waitUntilIdle(5s));
    EXPECT_FALSE(run.windowDestroyed());
    standin::answerSaveDialog(pathOf("late.wav"));
    EXPECT_EQ(run.waitForExit(), 0);
    expectRecordingOf(dir_ / "late.wav");
    EXPECT_EQ(run.statusHistory().back(), L"Saved to: " + pathOf("late.wav"));
}

TEST_F(WindowFlow, TellsGapsAndALostMicrophone) {
    // Packets 60 and 120 report a gap; the first packet's flag means nothing.
    standin::EndpointScript script = steadyEndpoint();
    script.packet = [steady = script.packet](std::size_t index) {
        std::optional<standin::Packet> packet = steady(index);
        if (index == 0 || index == 60 || index == 120) {
            packet->flags = AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY;
        }
        return packet;
    };
    standin::setEndpoint(script);
    ProgramRun run;
    run.record(pathOf("gaps.wav"));
    ASSERT_TRUE(run.waitForStatus(L"Recording... (1 gap)"));
    ASSERT_TRUE(run.waitForStatus(L"Recording... (2 gaps)"));
    run.stopAndWait();
    EXPECT_EQ(run.status(), L"Saved to: " + pathOf("gaps.wav") + L" (2 gaps)");
    expectRecordingOf(dir_ / "gaps.wav");

    standin::setEndpoint(steadyEndpoint());
    run.record(pathOf("lost.wav"));
    ASSERT_TRUE(waitUntil([] { return standin::audioRecord().delivered.size() >= 5; }));
    standin::failCall(standin::AudioCall::getBuffer, AUDCLNT_E_DEVICE_INVALIDATED,
                      static_cast<int>(standin::audioRecord().delivered.size()) + 1, true);
    ASSERT_TRUE(run.waitForStatus(L"Recording... (waiting for the microphone, 1 gap)"));
    standin::click(run.stopButton());
    ASSERT_TRUE(run.waitForStatus(L"Saved to: " + pathOf("lost.wav") + L" (1 gap)"));
    expectRecordingOf(dir_ / "lost.wav");
    const auto history = run.statusHistory();
    EXPECT_EQ(std::count(history.begin(), history.end(), L"Recording..."), 2);
}

TEST_F(WindowFlow, TellsWhichFileItWritesAndHowManyFollowedTheFirst) {
    // Files of half a second, two rounds of the writer each.
    struct Restore {
        ~Restore() { kLargestFileBytes = 0xFFFFFFFF; }
    } restore;
    kLargestFileBytes = 44 + 24000 * 4;
    ProgramRun run;
    run.record(pathOf("long.wav"));
    ASSERT_TRUE(run.waitForStatus(L"Recording... (file 3)"));
    run.stopAndWait();
    ASSERT_GE(g_fileCount, 3u);
    EXPECT_EQ(run.status(), L"Saved to: " + pathOf("long.wav") + L" and " +
                                std::to_wstring(g_fileCount - 1) + L" more files");
    const auto history = run.statusHistory();
    EXPECT_EQ(std::count(history.begin(), history.end(), L"Recording... (file 2)"), 1);
}

TEST_F(WindowFlow, EndingTheSessionFinishesTheFileBeforeTheHandlerReturns) {
    ProgramRun run;
    run.record(pathOf("session.wav"));
    ASSERT_TRUE(waitUntil([] { return standin::audioRecord().delivered.size() >= 5; }));
    // The handlers run here, on this thread, while the window thread is held: whatever they
    // leave to later messages cannot have happened when they return.
    ASSERT_TRUE(standin::holdWindowThread(5s));
    EXPECT_EQ(mainWindowProc(run.main(), WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(mainWindowProc(run.main(), WM_ENDSESSION, FALSE, 0), 0);
    EXPECT_TRUE(g_recording) << "the session goes on";
    EXPECT_EQ(mainWindowProc(run.main(), WM_ENDSESSION, TRUE, 0), 0);
    EXPECT_FALSE(g_captureActive);
    expectRecordingOf(dir_ / "session.wav");
    EXPECT_TRUE(standin::messageBoxes().empty());
    EXPECT_EQ(run.status(), L"Recording...");
    standin::releaseWindowThread();
    ASSERT_TRUE(run.waitForStatus(L"Saved to: " + pathOf("session.wav")));
    for (const MSG& msg : standin::defaultHandled()) {
        EXPECT_NE(msg.message, WM_QUERYENDSESSION);
        EXPECT_NE(msg.message, WM_ENDSESSION);
    }
}

TEST_F(WindowFlow, AMessageLoopEndedFromOutsideFinishesTheFile) {
    ProgramRun run;
    run.record(pathOf("quit.wav"));
    ASSERT_TRUE(waitUntil([] { return standin::audioRecord().delivered.size() >= 5; }));
    PostMessageW(run.main(), WM_QUIT, 3, 0);
    EXPECT_EQ(run.waitForExit(), 0);
    EXPECT_FALSE(g_captureThread.joinable());
    expectRecordingOf(dir_ / "quit.wav");
}

}  // namespace
}  // namespace app_test
