// The file calls the program makes: create or open, write and read at an offset, set the end,
// flush to the device, close.
#pragma once

#include <cstdint>
#include <filesystem>

#include "standin/win_types.h"

using HANDLE = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// Only the offset of a write is used: the stand-in's files are synchronous.
struct OVERLAPPED {
    std::uintptr_t Internal;
    std::uintptr_t InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};
using LPOVERLAPPED = OVERLAPPED*;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_FILE_EXISTS = 80;

union LARGE_INTEGER {
    LONGLONG QuadPart;
};

enum FILE_INFO_BY_HANDLE_CLASS { FileEndOfFileInfo = 6 };
struct FILE_END_OF_FILE_INFO {
    LARGE_INTEGER EndOfFile;
};

// Only the fields that name a file.
struct BY_HANDLE_FILE_INFORMATION {
    DWORD dwVolumeSerialNumber;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
};
using LPBY_HANDLE_FILE_INFORMATION = BY_HANDLE_FILE_INFORMATION*;

// The largest file the program writes, as on Windows; a variable here, so that tests can lower
// it and reach the next file within seconds.
inline std::uint64_t kLargestFileBytes = 0xFFFFFFFF;

// Opens are refused, as on Windows, where they would take an access another handle on the same
// file does not share, or deny one it holds (ERROR_SHARING_VIOLATION).
// The name arrives in the characters of a std::filesystem::path on this system (UTF-8 here),
// as its c_str() gives them: UTF-16 on Windows, where this is the wide-character call.
HANDLE CreateFileW(const std::filesystem::path::value_type* name, DWORD access, DWORD share,
                   LPSECURITY_ATTRIBUTES security, DWORD creation, DWORD flags,
                   HANDLE templateFile);
// A write or read at the offset that `overlapped` names.
BOOL WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped);
BOOL ReadFile(HANDLE file, void* data, DWORD size, LPDWORD read, LPOVERLAPPED overlapped);
// Only FileEndOfFileInfo: cuts the file at, or extends it to, the given size.
BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS type, void* information,
                                DWORD size);
// The error of this thread's last failed CreateFileW: ERROR_FILE_EXISTS, or another.
DWORD GetLastError();
// Names the file (its device and inode here).
BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information);
BOOL FlushFileBuffers(HANDLE file);
BOOL CloseHandle(HANDLE object);
