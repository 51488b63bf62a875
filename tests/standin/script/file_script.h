// How tests script the stand-in's files (a disk that fills up, a write that takes long) and read
// back what the program did with them.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

namespace standin {

struct FileScript {
    // Each file holds at most this many bytes: a write beyond them writes what fits and fails, as
    // on a full disk.
    std::optional<std::uint64_t> capacity{};
    // The write with this number (counting from 1, over all files), or every write when it is
    // 0, takes this long before it writes, as on a network share or a slow USB stick.
    int slowWrite = 0;
    std::chrono::milliseconds slowWriteTakes{0};
    // Every read fails, as when the storage the files are on has gone.
    bool readsFail = false;
};

struct FileRecord {
    int writes = 0;
    std::vector<std::chrono::steady_clock::time_point> flushes;
    int openHandles = 0;
};

// Replaces the script and forgets the record; files already open keep their handles.
void setFileScript(FileScript script);
FileRecord fileRecord();

}  // namespace standin
