// The one way the program reaches Win32, COM and Core Audio: the platform's own headers. The
// native Linux build finds headers of these names on its include path, a test double that offers
// the same names and signatures for exactly the calls the program makes.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commdlg.h>
#include <mmreg.h>
#include <mmdeviceapi.h>
#include <audioclient.h>

#include <cstdint>

#ifdef _WIN32
// The largest file the program writes: 4 GiB - 1 bytes, the most a file on FAT32 (USB sticks,
// memory cards) can hold. The stand-in defines its own, which tests lower.
inline constexpr std::uint64_t kLargestFileBytes = 0xFFFFFFFF;
#endif

// Written out here rather than taken from uuid/ksuser libraries, which differ between MinGW-w64
// and MSVC in which of these they define.
inline const GUID kClsidMMDeviceEnumerator = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
inline const GUID kIidIMMDeviceEnumerator = {
    0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
inline const GUID kIidIAudioClient = {
    0x1CB9AD4C, 0xDBFA, 0x4C32, {0xB1, 0x78, 0xC2, 0xF5, 0x68, 0xA7, 0x03, 0xB2}};
inline const GUID kIidIAudioCaptureClient = {
    0xC8ADBD64, 0xE71E, 0x48A0, {0xA4, 0xDE, 0x18, 0x5C, 0x39, 0x5C, 0xD3, 0x17}};
inline const GUID kSubtypeIeeeFloat = {
    0x00000003, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline const GUID kSubtypePcm = {
    0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
