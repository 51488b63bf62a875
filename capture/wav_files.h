// The files one recording is written into, one after another. The first has the chosen name;
// when it holds as much as a WAV file can, it is finished and the recording goes on, sample for
// sample, in "<name> (2).wav" in the same folder, then "(3)", and so on; so it does where the
// recording's format changes. A name that is taken is skipped: a later file never replaces one
// that exists.
//
// A file that fails stays open and current: it still holds its part of the recording.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "state/recording.h"

// The name of a recording's file with this number: the path itself for 1, otherwise " (n)" put
// before the name's extension.
template <typename String>
String numberedFileName(const String& path, unsigned number) {
    if (number <= 1) {
        return path;
    }
    using Char = typename String::value_type;
    const std::size_t nameStart = path.find_last_of(String{Char('\\'), Char('/')}) + 1;
    std::size_t extension = path.rfind(Char('.'));
    if (extension == String::npos || extension <= nameStart) {
        extension = path.size();
    }
    String suffix;
    for (const char c : " (" + std::to_string(number) + ")") {
        suffix.push_back(static_cast<Char>(c));
    }
    return path.substr(0, extension) + suffix + path.substr(extension);
}

// Starts the files in `file`, just opened, with the sample numbered `start`, and writes its
// header: from then on the file is a WAV file.
bool beginWavFiles(WavFiles& files, HANDLE file, std::uint64_t start);
// Adds samples behind those written, going on in the next file where the current one is full.
bool appendToWavFiles(WavFiles& files, const Sample* samples, std::size_t count);
// Goes on in the next file when the samples that follow those written are in another format
// (formatAt of the recording) than the current file.
bool followFormat(WavFiles& files, const std::optional<RecordingFormat>& format);
// The current file's header, describing what it holds.
bool describeWavFiles(WavFiles& files);
bool flushWavFiles(const WavFiles& files);
// How many files lie wholly before the current one's first sample: all but the current one, or
// all when the current one could not be created.
std::size_t filesBeforeCurrent(const WavFiles& files);
// The header, the end of the file and a flush, then closes it; the files are complete. A file
// that fails before the close stays open and current.
bool finishWavFiles(WavFiles& files);
