// The thread that writes a recording into its files while it is captured, so that the file on
// disk always holds what was captured up to the last moments and the disk never holds up the
// capture. The capture thread starts it once the first file is open and joins it before it
// closes the current file.
//
// Hand-over: the capture thread appends every packet to its recording buffer under g_fileMutex
// (appendCaptured), and so it records where the format changes (changeCapturedFormat); the writer
// takes the place and format of the samples it has not written yet under the same mutex and
// writes them without it, in the next file from a change of format on. Appended samples never move
// or change, so the writer reads them outside the lock. Once they are written and flushed to the
// device, the writer releases them from the buffer, also under the mutex; after a file has failed
// it releases nothing more. g_fileMutex is never held with another mutex, nor during a write.
#pragma once

#include <chrono>
#include <cstdint>

#include "capture/wav_files.h"
#include "platform/platform.h"
#include "state/samples.h"

// Writes are gathered for this long; then the samples, and after them the header's sizes, go
// into the file.
constexpr auto kFileWriteInterval = std::chrono::milliseconds(250);
// What has been written is handed to the storage device at least this often, and also after
// this many samples (16 MiB), so that memory stays small when audio arrives faster than a
// device's pace, as after a long stall of the disk.
constexpr auto kFileFlushInterval = std::chrono::seconds(2);
constexpr std::uint64_t kFileFlushSamples = std::uint64_t{8} << 20;

// Begins the files in `file`, the first one, just opened, with the header of an empty recording,
// so that it is a WAV file from the start, and starts the writer. When the header cannot be
// written or the thread cannot be created, the files are given up as failed (g_fileFailed) and
// the recording goes on in memory. Until stopFileWriter has returned, the writer owns `files`.
void startFileWriter(WavFiles& files, HANDLE file, RecordingBuffer& recording, HWND window);
// Tells the window which files the recording is in: g_fileCount and g_lastFileNumber.
void publishFiles(const WavFiles& files);
// The capture thread's append of a packet's samples to its recording.
void appendCaptured(RecordingBuffer& recording, const Sample* samples, std::size_t count);
// The samples appended from now on have this many channels at this rate. Throws std::bad_alloc
// when the change cannot be kept; the format is then unchanged.
void changeCapturedFormat(RecordingBuffer& recording, std::uint16_t channels,
                          std::uint32_t sampleRate);
// Lets the writer write the rest and the final header, flush, and end; waits for it.
void stopFileWriter();
