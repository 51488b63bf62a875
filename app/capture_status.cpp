#include "app/capture_status.h"

std::wstring captureStatus(CaptureOutcome outcome, const std::wstring& path) {
    switch (outcome) {
        case CaptureOutcome::saved:
            return L"Saved to: " + path;
        case CaptureOutcome::microphoneUnavailable:
            return L"Recording failed: microphone not available";
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
        case CaptureOutcome::unsupportedFormat:
            break;
    }
    return nullptr;
}
