#include "capture/wav_files.h"

#include <algorithm>

#include "capture/wav_writer.h"

namespace {

// Names tried for a next file before the files count as failed.
constexpr unsigned kMostFileNumbers = 10000;

std::uint64_t inCurrentFile(const WavFiles& files) {
    return files.written - files.fileStart;
}

// The current file complete, the next one begins, in this format, under the first free name after
// its own. Where that fails, the file that failed is the one being finished or the one that was
// to begin.
bool beginNextFile(WavFiles& files, std::uint16_t channels, std::uint32_t sampleRate) {
    // Reserved first, so that a file once created is always counted.
    files.numbers.reserve(files.numbers.size() + 1);
    if (!finishWavFiles(files)) {
        return false;
    }
    files.channels = channels;
    files.sampleRate = sampleRate;
    files.fileStart = files.written;
    for (unsigned number = files.numbers.back() + 1; number < kMostFileNumbers; ++number) {
        files.file = openWavFile(numberedFileName(files.firstPath, number), WavOpen::createNew);
        if (files.file != INVALID_HANDLE_VALUE) {
            files.numbers.push_back(number);
            return describeWavFiles(files);
        }
        if (!wavFileExisted()) {
            return false;
        }
    }
    return false;
}

}  // namespace

bool beginWavFiles(WavFiles& files, HANDLE file, std::uint64_t start) {
    files.file = file;
    files.numbers.assign(1, 1);
    files.fileStart = start;
    files.written = start;
    return describeWavFiles(files);
}

bool appendToWavFiles(WavFiles& files, const Sample* samples, std::size_t count) {
    const std::uint64_t fileSamples = maxWavFrames(files.channels) * files.channels;
    while (count > 0) {
        if (inCurrentFile(files) == fileSamples &&
            !beginNextFile(files, files.channels, files.sampleRate)) {
            return false;
        }
        const auto taken = static_cast<std::size_t>(
            std::min<std::uint64_t>(count, fileSamples - inCurrentFile(files)));
        if (!writeWavSamples(files.file, inCurrentFile(files), samples, taken)) {
            return false;
        }
        files.written += taken;
        samples += taken;
        count -= taken;
    }
    return true;
}

bool followFormat(WavFiles& files, const std::optional<RecordingFormat>& format) {
    if (!format || (format->channels == files.channels && format->sampleRate == files.sampleRate)) {
        return true;
    }
    // A file that holds nothing yet takes the new format itself.
    if (inCurrentFile(files) == 0) {
        files.channels = format->channels;
        files.sampleRate = format->sampleRate;
        return describeWavFiles(files);
    }
    return beginNextFile(files, format->channels, format->sampleRate);
}

bool describeWavFiles(WavFiles& files) {
    // Whole frames: after a change of format the files' end may lie inside one for a moment.
    const std::uint64_t whole = inCurrentFile(files) / files.channels * files.channels;
    if (!writeWavHeader(files.file, whole, files.channels, files.sampleRate)) {
        return false;
    }
    files.described = files.fileStart + whole;
    return true;
}

bool flushWavFiles(const WavFiles& files) {
    return flushWavFile(files.file);
}

std::size_t filesBeforeCurrent(const WavFiles& files) {
    const bool currentExists =
        files.file != INVALID_HANDLE_VALUE || files.written > files.fileStart;
    return files.numbers.size() - (currentExists ? 1 : 0);
}

bool finishWavFiles(WavFiles& files) {
    if (!describeWavFiles(files) || !endWavFile(files.file, inCurrentFile(files)) ||
        !flushWavFiles(files)) {
        return false;
    }
    const bool closed = closeWavFile(files.file);
    files.file = INVALID_HANDLE_VALUE;
    return closed;
}
