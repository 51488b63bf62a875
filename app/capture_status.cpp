#include "app/capture_status.h"

#include <algorithm>
#include <iterator>

namespace {

struct OutcomeTexts {
    CaptureOutcome outcome;
    const wchar_t* failure;  // the status line when nothing was recorded, or "Not saved: "
    const wchar_t* box;      // the error box the user must acknowledge, or nullptr
};

constexpr OutcomeTexts kOutcomeTexts[] = {
    {CaptureOutcome::saved, nullptr, nullptr},
    {CaptureOutcome::microphoneUnavailable, L"Recording failed: microphone not available", nullptr},
    {CaptureOutcome::microphoneAccessDenied,
     L"Recording failed: access to the microphone is turned off (Windows Settings, Privacy, "
     L"Microphone)",
     nullptr},
    {CaptureOutcome::noMicrophone, L"Recording failed: no microphone found", nullptr},
    {CaptureOutcome::microphoneInUse,
     L"Recording failed: the microphone is in use by another program", nullptr},
    {CaptureOutcome::audioServiceNotRunning,
     L"Recording failed: the Windows audio service is not running", nullptr},
    {CaptureOutcome::microphoneDisconnected, L"Recording failed: microphone disconnected", nullptr},
    {CaptureOutcome::unsupportedFormat, L"Recording failed: unsupported audio format", nullptr},
    {CaptureOutcome::fileNotCreated, nullptr, L"Cannot open file for writing"},
    {CaptureOutcome::fileNotWritten, nullptr, L"Cannot write the file"},
};

const OutcomeTexts& textsOf(CaptureOutcome outcome) {
    return *std::find_if(std::begin(kOutcomeTexts), std::end(kOutcomeTexts),
                         [outcome](const OutcomeTexts& row) { return row.outcome == outcome; });
}

// Why a saved recording ended early, in front of "Saved to: ".
const wchar_t* endReason(CaptureEnd end) {
    switch (end) {
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

// " and 1 more file", " and N more files" after a path, nothing for none.
std::wstring followingFiles(unsigned following) {
    if (following == 0) {
        return L"";
    }
    return L" and " + std::to_wstring(following) +
           (following == 1 ? L" more file" : L" more files");
}

// "1:02:03": hours, minutes and whole seconds.
std::wstring duration(std::uint64_t frames, std::uint32_t sampleRate) {
    const std::uint64_t seconds = sampleRate == 0 ? 0 : frames / sampleRate;
    const auto twoDigits = [](std::uint64_t value) {
        return (value < 10 ? L"0" : L"") + std::to_wstring(value);
    };
    return std::to_wstring(seconds / 3600) + L":" + twoDigits(seconds / 60 % 60) + L":" +
           twoDigits(seconds % 60);
}

}  // namespace

std::wstring recordingStatus(unsigned fileNumber, std::uint32_t gaps, bool fileFailed,
                             bool waitingForMicrophone) {
    std::wstring details;
    const auto add = [&details](const std::wstring& part) {
        details += (details.empty() ? L"" : L", ") + part;
    };
    if (waitingForMicrophone) {
        add(L"waiting for the microphone");
    }
    if (fileNumber > 1) {
        add(L"file " + std::to_wstring(fileNumber));
    }
    if (gaps > 0) {
        add(gapsText(gaps));
    }
    if (fileFailed) {
        add(L"cannot write the file, kept in memory");
    }
    return details.empty() ? L"Recording..." : L"Recording... (" + details + L")";
}

std::wstring captureStatus(CaptureOutcome outcome, CaptureEnd end, std::uint32_t gaps,
                           const SavedFiles& files) {
    if (outcome == CaptureOutcome::saved) {
        std::wstring beginning;
        if (files.framesBefore > 0) {
            beginning = L" (the first " + duration(files.framesBefore, files.sampleRate) +
                        L" are in " + files.beginningPath +
                        followingFiles(files.beginningFollowing) + L")";
        }
        return endReason(end) + (L"Saved to: " + files.path) + followingFiles(files.following) +
               beginning + gapsSuffix(gaps);
    }
    if (const wchar_t* failure = textsOf(outcome).failure) {
        return failure;
    }
    return L"Not saved: " + files.path;
}

const wchar_t* captureErrorBox(CaptureOutcome outcome) {
    return textsOf(outcome).box;
}
