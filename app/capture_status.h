#pragma once

#include <cstdint>
#include <string>

#include "state/shared_state.h"

// Where a saved recording is: the file it begins in, or for one saved elsewhere after a failed
// write the file saved there, and how many files followed that one. When the file saved
// elsewhere does not hold the recording's beginning, how long that beginning is and the first
// of the files it is in.
struct SavedFiles {
    std::wstring path;
    unsigned following = 0;
    std::uint64_t framesBefore = 0;
    std::uint32_t sampleRate = 0;
    std::wstring beginningPath;
    unsigned beginningFollowing = 0;  // files after beginningPath that hold the beginning too
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
