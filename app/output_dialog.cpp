#include "app/output_dialog.h"

#include <algorithm>

#include "capture/capture_thread.h"
#include "state/shared_state.h"
#include "state/utf8.h"

std::optional<std::wstring> askOutputPath(HWND owner, const std::wstring& proposedName) {
    wchar_t file[MAX_PATH] = {};
    std::copy_n(proposedName.begin(), std::min<std::size_t>(proposedName.size(), MAX_PATH - 1),
                file);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    // Pairs of name and pattern; the literal's own terminator ends the list.
    dialog.lpstrFilter = L"WAV files\0*.wav\0All files\0*.*\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.Flags = OFN_OVERWRITEPROMPT;
    if (GetSaveFileNameW(&dialog) == 0 || file[0] == L'\0') {
        return std::nullopt;
    }
    return std::wstring(file);
}

namespace {

std::wstring fileNameOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

}  // namespace

bool saveElsewhereOrDiscard(HWND window) {
    for (;;) {
        const std::optional<std::wstring> path =
            askOutputPath(window, fileNameOf(g_unsavedRecording->lastFailedPath));
        if (!path) {
            if (MessageBoxW(window, L"Discard the recording?", L"Voxwell",
                            MB_YESNO | MB_ICONQUESTION) == IDYES) {
                g_unsavedRecording.reset();
                return false;
            }
            continue;
        }
        g_outputPath = *path;
        g_outputPathUtf8 = utf8FromWide(g_outputPath);
        g_unsavedRecording->lastFailedPath = *path;
        if (startThread(g_captureThread, saveRecordingThreadMain, window)) {
            return true;
        }
        MessageBoxW(window, L"Cannot write the file", L"Error", MB_OK | MB_ICONERROR);
    }
}
