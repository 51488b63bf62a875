// How tests script the stand-in's files (a disk that fills up, a write that takes long) and read
// back what the program did with them.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace standin {

enum class Reads { work, cannotOpen, fail };

struct FileScript {
    // Each file holds at most this many bytes: a write beyond them writes what fits and fails, as
    // on a full disk.
    std::optional<std::uint64_t> capacity{};
    // The write with this number (counting from 1, over all files) takes this long before it
    // writes, as on a network share or a slow USB stick.
    int slowWrite = 0;
    std::chrono::milliseconds slowWriteTakes{0};
    // Reading files back works, or fails as when the storage they are on has gone: they cannot
    // be opened for reading, or every read fails.
    Reads reads = Reads::work;
};

struct FileRecord {
    int writes = 0;
    int flushes = 0;
    int openHandles = 0;
};

// Replaces the script and forgets the record; files already open keep their handles.
void setFileScript(FileScript script);
FileRecord fileRecord();

}  // namespace standin
