#pragma once

#include <cstdint>
#include <string>

#include "state/shared_state.h"

// Files of one recording that follow one another: the first one's path, how many, and the "(n)"
// in the last one's name (their count, unless the numbering skipped a name that was taken).
struct FileRun {
    std::wstring first;
    unsigned count = 0;
    unsigned lastNumber = 0;
};

// Where a recording is once it has ended.
struct SavedFiles {
    // Where it was saved; for one not saved, where it was to be.
    FileRun saved;
    // Saved elsewhere after its file failed, without its beginning; or not saved at all: the
    // recording's own files that hold the beginning, and how long it is in tenths of a second.
    FileRun beginning;
    std::uint64_t tenthsBefore = 0;
    // Saved elsewhere where the failed file could not be read back: that file, and how far into
    // it the file saved elsewhere begins, in tenths of a second cut down.
    std::wstring continues;
    std::uint64_t tenthsInto = 0;
};

// The status line while recording: whether it waits for a microphone, which file is being
// written (from the second one on), the gaps so far and whether the file has stopped taking data.
std::wstring recordingStatus(unsigned fileNumber, std::uint32_t gaps, bool fileFailed,
                             bool waitingForMicrophone);
// The status line once a recording has ended this way.
std::wstring captureStatus(CaptureOutcome outcome, CaptureEnd end, std::uint32_t gaps,
                           const SavedFiles& files);
// The text of the error box for an outcome the user must acknowledge, or nullptr.
const wchar_t* captureErrorBox(CaptureOutcome outcome);
