#include "app/output_dialog.h"

#include <algorithm>

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
