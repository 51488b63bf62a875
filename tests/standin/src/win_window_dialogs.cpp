// The modal save dialog and message box. The dialog runs its own message loop until a test
// answers it, dispatching the window thread's messages meanwhile as the real one does.
#include <thread>

#include "tests/standin/script/message_script.h"
#include "tests/standin/src/win_window_internal.h"

namespace standin::window_system {
namespace {

std::vector<std::wstring> splitFilter(LPCWSTR filter) {
    std::vector<std::wstring> parts;
    if (filter == nullptr) {
        return parts;
    }
    // The list ends with an empty string, that is two NULs in a row.
    for (LPCWSTR at = filter; *at != L'\0'; at += parts.back().size() + 1) {
        parts.emplace_back(at);
    }
    return parts;
}

// The owner is disabled while a modal window is open, so that it takes no input.
void setOwnerEnabled(HWND owner, bool enabled) {
    std::lock_guard lock(stateMutex);
    if (WindowRecord* record = find(owner); record != nullptr) {
        record->info.enabled = enabled;
    }
}

bool ownerGone(HWND owner) {
    std::lock_guard lock(stateMutex);
    const auto found = state.windows.find(owner);
    return owner != nullptr && (found == state.windows.end() || found->second.destroying ||
                                found->second.info.destroyed);
}

// Runs the dialog's message loop until it is answered; nothing when it had to close unanswered
// (its owner was destroyed, or the quit message came, which is left for the outer loop).
std::optional<std::wstring> runDialogLoop(HWND owner) {
    for (;;) {
        if (ownerGone(owner)) {
            return std::nullopt;
        }
        const MSG msg = nextMessage();
        if (msg.message == kAnswerInput) {
            std::lock_guard lock(stateMutex);
            const auto answer = state.answers.extract(msg.wParam);
            return answer.empty() ? std::nullopt : answer.mapped();
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return std::nullopt;
        }
        DispatchMessageW(&msg);
    }
}

}  // namespace
}  // namespace standin::window_system

using namespace standin::window_system;

BOOL GetSaveFileNameW(OPENFILENAMEW* dialog) {
    {
        std::lock_guard lock(stateMutex);
        standin::SaveDialogRecord record;
        record.fields = *dialog;
        record.filter = splitFilter(dialog->lpstrFilter);
        if (dialog->lpstrFile != nullptr) {
            record.proposedName = dialog->lpstrFile;
        }
        record.thread = std::this_thread::get_id();
        if (dialog->hwndOwner != nullptr) {
            find(dialog->hwndOwner);
        }
        state.saveDialogs.push_back(record);
        state.saveDialogOpen = true;
        state.events.push_back({standin::WindowEventKind::saveDialogOpened, dialog->hwndOwner, {}});
    }
    setOwnerEnabled(dialog->hwndOwner, false);
    const std::optional<std::wstring> answer = runDialogLoop(dialog->hwndOwner);
    setOwnerEnabled(dialog->hwndOwner, true);
    {
        std::lock_guard lock(stateMutex);
        state.saveDialogOpen = false;
        state.events.push_back(
            {standin::WindowEventKind::saveDialogClosed, dialog->hwndOwner, answer.value_or(L"")});
    }
    if (!answer || dialog->lpstrFile == nullptr || answer->size() + 1 > dialog->nMaxFile) {
        return FALSE;
    }
    std::copy(answer->begin(), answer->end(), dialog->lpstrFile);
    dialog->lpstrFile[answer->size()] = L'\0';
    return TRUE;
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    standin::MessageBoxRecord record{owner, text == nullptr ? L"" : text,
                                     caption == nullptr ? L"" : caption, type,
                                     std::this_thread::get_id()};
    std::function<void(const standin::MessageBoxRecord&)> hook;
    {
        std::lock_guard lock(stateMutex);
        if (owner != nullptr) {
            find(owner);
        }
        state.messageBoxes.push_back(record);
        state.events.push_back({standin::WindowEventKind::messageBox, owner, record.text});
        hook = state.messageBoxHook;
    }
    if (hook) {
        hook(record);
    }
    if ((type & MB_TYPEMASK) == MB_OK) {
        return IDOK;
    }
    std::lock_guard lock(stateMutex);
    if (state.messageBoxAnswers.empty()) {
        return IDNO;
    }
    const int answer = state.messageBoxAnswers.front();
    state.messageBoxAnswers.erase(state.messageBoxAnswers.begin());
    return answer;
}

namespace standin {

void answerSaveDialog(std::optional<std::wstring> path) {
    WPARAM id = 0;
    {
        std::lock_guard lock(stateMutex);
        id = state.nextAnswer++;
        state.answers[id] = std::move(path);
    }
    queueInput(MSG{nullptr, kAnswerInput, id, 0, 0, {0, 0}});
}

void answerMessageBox(int button) {
    std::lock_guard lock(stateMutex);
    state.messageBoxAnswers.push_back(button);
}

void onMessageBox(std::function<void(const MessageBoxRecord&)> hook) {
    std::lock_guard lock(stateMutex);
    state.messageBoxHook = std::move(hook);
}

std::vector<SaveDialogRecord> saveDialogs() {
    std::lock_guard lock(stateMutex);
    return state.saveDialogs;
}

bool saveDialogOpen() {
    std::lock_guard lock(stateMutex);
    return state.saveDialogOpen;
}

std::vector<MessageBoxRecord> messageBoxes() {
    std::lock_guard lock(stateMutex);
    return state.messageBoxes;
}

}  // namespace standin
