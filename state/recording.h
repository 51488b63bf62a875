// One recording as the capture thread keeps it: the samples memory holds and the files they go
// into. It is made before the recording starts, so that handing it to the window when its files
// fail allocates nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "state/samples.h"

// The files one recording is written into, one after another (capture/wav_files.h). Samples are
// numbered from the start of the recording, across its files.
struct WavFiles {
    std::string firstPath;  // UTF-8
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    // The current file. Once a file has failed it stays open, so that no other program writes
    // into it before what it holds is saved; none once it could not be created or closed.
    HANDLE file = INVALID_HANDLE_VALUE;
    // The "(n)" in the name of each file created, in order; the first file's is 1.
    std::vector<unsigned> numbers;
    std::uint64_t fileStart = 0;  // the number of the current file's first sample
    std::uint64_t written = 0;    // samples in the files, up to the current one's end
    std::uint64_t described = 0;  // samples up to the end of what the current header describes
};

struct Recording {
    // What memory holds: every sample from the first one not yet flushed to the files. Memory
    // gives back only what was written and flushed, so the files hold, durably, every sample
    // before samples.first: the current (or failed) file from files.fileStart on.
    RecordingBuffer samples;
    WavFiles files;
    std::wstring firstPath;  // as the user chose it, for the status line
    // Filled by the window when saving elsewhere fails: that place, which the save dialog then
    // proposes instead of the failed file's name.
    std::wstring failedSavePath;
    // Set by a save elsewhere: the number of the first sample in the file saved to. Those before
    // it are in the recording's own files.
    std::uint64_t savedFrom = 0;
    // Set by a save into the failed file itself: the recording's own files hold all of it.
    bool savedInOwnFiles = false;
};
