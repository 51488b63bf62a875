#include "app/output_dialog.h"

std::optional<std::wstring> askOutputPath(HWND owner) {
    wchar_t file[MAX_PATH] = L"output.wav";
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
