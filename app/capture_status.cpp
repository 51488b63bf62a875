#include "app/capture_status.h"

namespace {

// Why a saved recording ended early, in front of "Saved to: ".
const wchar_t* endReason(CaptureEnd end) {
    switch (end) {
        case CaptureEnd::microphoneDisconnected:
            return L"Recording stopped: microphone disconnected. ";
        case CaptureEnd::microphoneError:
            return L"Recording stopped: microphone error. ";
        case CaptureEnd::outOfMemory:
            return L"Recording stopped: out of memory. ";
        case CaptureEnd::stopped:
            break;
    }
    return L"";
}

// "1 gap", "N gaps".
std::wstring gapsText(std::uint32_t gaps) {
    return std::to_wstring(gaps) + (gaps == 1 ? L" gap" : L" gaps");
}

// " (N gaps)" after a text, nothing without gaps.
std::wstring gapsSuffix(std::uint32_t gaps) {
    return gaps == 0 ? L"" : L" (" + gapsText(gaps) + L")";
}

}  // namespace

std::wstring recordingStatus(std::uint32_t gaps, bool fileFailed) {
    if (!fileFailed) {
        return L"Recording..." + gapsSuffix(gaps);
    }
    const std::wstring gapsPart = gaps == 0 ? L"" : gapsText(gaps) + L", ";
    return L"Recording... (" + gapsPart + L"cannot write the file, kept in memory)";
}

std::wstring captureStatus(CaptureOutcome outcome, CaptureEnd end, std::uint32_t gaps,
                           const std::wstring& path) {
    switch (outcome) {
        case CaptureOutcome::saved:
            return endReason(end) + (L"Saved to: " + path) + gapsSuffix(gaps);
        case CaptureOutcome::microphoneUnavailable:
            return L"Recording failed: microphone not available";
        case CaptureOutcome::microphoneAccessDenied:
            return L"Recording failed: access to the microphone is turned off (Windows Settings, "
                   L"Privacy, Microphone)";
        case CaptureOutcome::noMicrophone:
            return L"Recording failed: no microphone found";
        case CaptureOutcome::microphoneInUse:
            return L"Recording failed: the microphone is in use by another program";
        case CaptureOutcome::audioServiceNotRunning:
            return L"Recording failed: the Windows audio service is not running";
        case CaptureOutcome::microphoneDisconnected:
            return L"Recording failed: microphone disconnected";
        case CaptureOutcome::unsupportedFormat:
            return L"Recording failed: unsupported audio format";
        case CaptureOutcome::fileNotCreated:
        case CaptureOutcome::fileNotWritten:
            break;
    }
    return L"Not saved: " + path;
}

const wchar_t* captureErrorBox(CaptureOutcome outcome) {
    switch (outcome) {
        case CaptureOutcome::fileNotCreated:
            return L"Cannot open file for writing";
        case CaptureOutcome::fileNotWritten:
            return L"Cannot write the file";
        case CaptureOutcome::saved:
        case CaptureOutcome::microphoneUnavailable:
        case CaptureOutcome::microphoneAccessDenied:
        case CaptureOutcome::noMicrophone:
        case CaptureOutcome::microphoneInUse:
        case CaptureOutcome::audioServiceNotRunning:
        case CaptureOutcome::microphoneDisconnected:
        case CaptureOutcome::unsupportedFormat:
            break;
    }
    return nullptr;
}
