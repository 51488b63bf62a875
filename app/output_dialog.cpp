#include "app/output_dialog.h"

#include <new>

#include "capture/capture_thread.h"
#include "capture/wav_files.h"
#include "state/shared_state.h"
#include "state/utf8.h"

std::optional<std::wstring> askOutputPath(HWND owner, const wchar_t* proposedName) {
    wchar_t file[MAX_PATH] = {};
    for (std::size_t i = 0; i < MAX_PATH - 1 && proposedName[i] != L'\0'; ++i) {
        file[i] = proposedName[i];
    }
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

// The place where saving last failed, or the recording's failed file, or where the file that
// could not be created was to be.
std::wstring proposedPlace(const Recording& recording) {
    if (!recording.failedSavePath.empty()) {
        return recording.failedSavePath;
    }
    const WavFiles& files = recording.files;
    const unsigned number = files.numbers.back() + (files.file == INVALID_HANDLE_VALUE ? 1 : 0);
    return numberedFileName(recording.firstPath, number);
}

}  // namespace

bool saveElsewhereOrDiscard(HWND window) {
    for (;;) {
        try {
            const std::optional<std::wstring> path =
                askOutputPath(window, fileNameOf(proposedPlace(*g_unsavedRecording)).c_str());
            if (!path) {
                if (MessageBoxW(window, L"Discard the recording?", L"Voxwell",
                                MB_YESNO | MB_ICONQUESTION) == IDYES) {
                    return false;
                }
                continue;
            }
            g_outputPath = *path;
            g_outputPathUtf8 = utf8FromWide(g_outputPath);
            g_unsavedRecording->failedSavePath = *path;
            SetWindowTextW(g_statusText, (L"Saving to: " + *path).c_str());
            if (startThread(g_captureThread, saveRecordingThreadMain, window)) {
                return true;
            }
        } catch (const std::bad_alloc&) {
            // Asked again: the recording stays in memory.
        }
        MessageBoxW(window, L"Cannot write the file", L"Error", MB_OK | MB_ICONERROR);
    }
}
