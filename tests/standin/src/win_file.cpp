// The stand-in's files: real files of this system behind Win32 file handles, with the faults a
// test scripts.
#include <fcntl.h>
#include <sys/stat.h>
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
// What a handle is open on, with what access, sharing what.
struct OpenFile {
    int descriptor;
    dev_t device;
    ino_t inode;
    DWORD access;
    DWORD share;
};

std::map<HANDLE, OpenFile> descriptors;
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

namespace {

thread_local DWORD lastError = 0;

// The open(2) flags of a CreateFileW request the program makes; -1 for any other.
int openFlags(DWORD access, DWORD creation) {
    if (access == GENERIC_READ) {
        return creation == OPEN_EXISTING ? O_RDONLY : -1;
    }
    if (access != (GENERIC_READ | GENERIC_WRITE)) {
        return -1;
    }
    switch (creation) {
        case CREATE_NEW:
            return O_RDWR | O_CREAT | O_EXCL;
        case CREATE_ALWAYS:
            return O_RDWR | O_CREAT | O_TRUNC;
        case OPEN_EXISTING:
            return O_RDWR;
        default:
            return -1;
    }
}

// The descriptor behind a handle, or -1.
int descriptorOf(HANDLE file) {
    const auto found = descriptors.find(file);
    return found == descriptors.end() ? -1 : found->second.descriptor;
}

std::uint64_t offsetOf(const OVERLAPPED& at) {
    return (std::uint64_t{at.OffsetHigh} << 32) | at.Offset;
}

// Whether an open of the named file with this access and sharing conflicts with a handle on it.
bool sharingRefused(const char* name, DWORD access, DWORD share) {
    struct stat status {};
    if (stat(name, &status) != 0) {
        return false;
    }
    const auto refuses = [](DWORD wanted, DWORD shared) {
        return ((wanted & GENERIC_READ) != 0 && (shared & FILE_SHARE_READ) == 0) ||
               ((wanted & GENERIC_WRITE) != 0 && (shared & FILE_SHARE_WRITE) == 0);
    };
    for (const auto& [handle, open] : descriptors) {
        if (open.device == status.st_dev && open.inode == status.st_ino &&
            (refuses(access, open.share) || refuses(open.access, share))) {
            return true;
        }
    }
    return false;
}

}  // namespace

HANDLE CreateFileW(const std::filesystem::path::value_type* name, DWORD access, DWORD share,
                   LPSECURITY_ATTRIBUTES, DWORD creation, DWORD, HANDLE) {
    const int flags = openFlags(access, creation);
    std::lock_guard lock(fileMutex);
    if (flags < 0) {
        lastError = 5;  // ERROR_ACCESS_DENIED
        return INVALID_HANDLE_VALUE;
    }
    if (sharingRefused(name, access, share)) {
        lastError = ERROR_SHARING_VIOLATION;
        return INVALID_HANDLE_VALUE;
    }
    const int descriptor = open(name, flags | O_CLOEXEC, 0644);
    if (descriptor < 0) {
        lastError = errno == EEXIST ? ERROR_FILE_EXISTS : 3;  // or ERROR_PATH_NOT_FOUND
        return INVALID_HANDLE_VALUE;
    }
    struct stat status {};
    fstat(descriptor, &status);
    const auto handle = reinterpret_cast<HANDLE>(++lastHandle);
    descriptors[handle] = {descriptor, status.st_dev, status.st_ino, access, share};
    ++record.openHandles;
    return handle;
}

BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
    std::lock_guard lock(fileMutex);
    const auto found = descriptors.find(file);
    if (found == descriptors.end() || information == nullptr) {
        return FALSE;
    }
    information->dwVolumeSerialNumber = static_cast<DWORD>(found->second.device);
    information->nFileIndexHigh = static_cast<DWORD>(std::uint64_t{found->second.inode} >> 32);
    information->nFileIndexLow = static_cast<DWORD>(found->second.inode);
    return TRUE;
}

DWORD GetLastError() {
    return lastError;
}

BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    std::unique_lock lock(fileMutex);
    const int descriptor = descriptorOf(file);
    // The program names the offset of every write.
    if (descriptor < 0 || written == nullptr || overlapped == nullptr) {
        return FALSE;
    }
    *written = 0;
    const int number = ++record.writes;
    if ((script.slowWrite == 0 || number == script.slowWrite) &&
        script.slowWriteTakes.count() > 0) {
        const auto takes = script.slowWriteTakes;
        lock.unlock();
        std::this_thread::sleep_for(takes);
        lock.lock();
    }
    const auto offset = static_cast<off_t>(offsetOf(*overlapped));
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

BOOL ReadFile(HANDLE file, void* data, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
    std::lock_guard lock(fileMutex);
    const int descriptor = descriptorOf(file);
    if (descriptor < 0 || read == nullptr || overlapped == nullptr || script.readsFail) {
        return FALSE;
    }
    const ssize_t done = pread(descriptor, data, size, static_cast<off_t>(offsetOf(*overlapped)));
    *read = done < 0 ? 0 : static_cast<DWORD>(done);
    return done < 0 ? FALSE : TRUE;
}

BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS type, void* information,
                                DWORD size) {
    std::lock_guard lock(fileMutex);
    const int descriptor = descriptorOf(file);
    if (descriptor < 0 || type != FileEndOfFileInfo || size != sizeof(FILE_END_OF_FILE_INFO)) {
        return FALSE;
    }
    const auto* end = static_cast<const FILE_END_OF_FILE_INFO*>(information);
    // A character device such as /dev/full has no end to set; Windows does not complain either.
    return ftruncate(descriptor, static_cast<off_t>(end->EndOfFile.QuadPart)) == 0 ||
                   errno == EINVAL
               ? TRUE
               : FALSE;
}

BOOL FlushFileBuffers(HANDLE file) {
    std::lock_guard lock(fileMutex);
    const int descriptor = descriptorOf(file);
    if (descriptor < 0) {
        return FALSE;
    }
    record.flushes.push_back(std::chrono::steady_clock::now());
    // A character device such as /dev/full cannot be synchronised; Windows flushes it anyway.
    return fsync(descriptor) == 0 || errno == EINVAL ? TRUE : FALSE;
}

BOOL CloseHandle(HANDLE object) {
    std::lock_guard lock(fileMutex);
    const auto found = descriptors.find(object);
    if (found == descriptors.end()) {
        return FALSE;
    }
    const bool closed = close(found->second.descriptor) == 0;
    descriptors.erase(found);
    --record.openHandles;
    return closed ? TRUE : FALSE;
}
