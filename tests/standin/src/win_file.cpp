// The stand-in's files: real files of this system behind Win32 file handles, with the faults a
// test scripts.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>
#include <thread>

#include "platform/platform.h"
#include "tests/standin/script/file_script.h"

namespace standin {
namespace {

std::mutex fileMutex;
FileScript script;
FileRecord record;
std::map<HANDLE, int> descriptors;
std::intptr_t lastHandle = 0;

// Writes all of it at the offset, or fails.
bool writeAll(int descriptor, const char* data, std::size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t done = pwrite(descriptor, data, size, offset);
        if (done <= 0) {
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
        offset += done;
    }
    return true;
}

}  // namespace

void setFileScript(FileScript newScript) {
    std::lock_guard lock(fileMutex);
    script = newScript;
    record = FileRecord{};
    record.openHandles = static_cast<int>(descriptors.size());
}

FileRecord fileRecord() {
    std::lock_guard lock(fileMutex);
    return record;
}

}  // namespace standin

using namespace standin;

HANDLE CreateFileW(const std::filesystem::path::value_type* name, DWORD access, DWORD,
                   LPSECURITY_ATTRIBUTES, DWORD creation, DWORD, HANDLE) {
    if (access != GENERIC_WRITE || creation != CREATE_ALWAYS) {
        return INVALID_HANDLE_VALUE;
    }
    const int descriptor = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        return INVALID_HANDLE_VALUE;
    }
    std::lock_guard lock(fileMutex);
    const auto handle = reinterpret_cast<HANDLE>(++lastHandle);
    descriptors[handle] = descriptor;
    ++record.openHandles;
    return handle;
}

BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    std::unique_lock lock(fileMutex);
    const auto found = descriptors.find(file);
    // The program names the offset of every write.
    if (found == descriptors.end() || written == nullptr || overlapped == nullptr) {
        return FALSE;
    }
    *written = 0;
    const int descriptor = found->second;
    const int number = ++record.writes;
    if (number == script.slowWrite) {
        const auto takes = script.slowWriteTakes;
        lock.unlock();
        std::this_thread::sleep_for(takes);
        lock.lock();
    }
    const auto offset =
        static_cast<off_t>((std::uint64_t{overlapped->OffsetHigh} << 32) | overlapped->Offset);
    std::size_t fits = size;
    if (script.capacity) {
        const std::uint64_t room = *script.capacity > static_cast<std::uint64_t>(offset)
                                       ? *script.capacity - static_cast<std::uint64_t>(offset)
                                       : 0;
        fits = static_cast<std::size_t>(std::min<std::uint64_t>(size, room));
    }
    if (!writeAll(descriptor, static_cast<const char*>(data), fits, offset) || fits < size) {
        return FALSE;
    }
    *written = size;
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE file) {
    std::lock_guard lock(fileMutex);
    const auto found = descriptors.find(file);
    if (found == descriptors.end()) {
        return FALSE;
    }
    ++record.flushes;
    // A character device such as /dev/full cannot be synchronised; Windows flushes it anyway.
    return fsync(found->second) == 0 || errno == EINVAL ? TRUE : FALSE;
}

BOOL CloseHandle(HANDLE object) {
    std::lock_guard lock(fileMutex);
    const auto found = descriptors.find(object);
    if (found == descriptors.end()) {
        return FALSE;
    }
    const bool closed = close(found->second) == 0;
    descriptors.erase(found);
    --record.openHandles;
    return closed ? TRUE : FALSE;
}
