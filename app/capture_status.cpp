#include "app/capture_status.h"

#include <algorithm>
#include <iterator>

#include "capture/wav_files.h"

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
    {CaptureOutcome::outOfMemory, L"Recording failed: out of memory", nullptr},
    {CaptureOutcome::fileNotCreated, nullptr, L"Cannot open file for writing"},
    {CaptureOutcome::fileNotWritten, nullptr, L"Cannot write the file"},
    {CaptureOutcome::earlierFileChosen, nullptr,
     L"That file holds an earlier part of this recording. Choose another."},
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

// "E:\take.wav", "E:\take.wav and 1 more file", "E:\take.wav and 2 more files", and where the
// numbering skipped a taken name "E:\take.wav and 2 more files, the last take (4).wav".
std::wstring filesText(const FileRun& files) {
    if (files.count <= 1) {
        return files.first;
    }
    const unsigned more = files.count - 1;
    std::wstring text = files.first + L" and " + std::to_wstring(more) +
                        (more == 1 ? L" more file" : L" more files");
    if (files.lastNumber != files.count) {
        const std::wstring last = numberedFileName(files.first, files.lastNumber);
        text += L", the last " + last.substr(last.find_last_of(L"\\/") + 1);
    }
    return text;
}

// "1:02:03", and with tenths "1:02:03.4": hours, minutes and seconds, cut (not rounded) to the
// unit shown, so that a time given never lies beyond the point it names.
std::wstring duration(std::uint64_t tenthsOfSeconds, bool tenths = false) {
    const std::uint64_t seconds = tenthsOfSeconds / 10;
    const auto twoDigits = [](std::uint64_t value) {
        return (value < 10 ? L"0" : L"") + std::to_wstring(value);
    };
    return std::to_wstring(seconds / 3600) + L":" + twoDigits(seconds / 60 % 60) + L":" +
           twoDigits(seconds % 60) + (tenths ? L"." + std::to_wstring(tenthsOfSeconds % 10) : L"");
}

// " (the first 1:02:03 are in E:\take.wav)", after the place a recording was saved elsewhere.
std::wstring beginningText(const SavedFiles& files) {
    if (!files.continues.empty()) {
        return L" (continues " + files.continues + L" at " + duration(files.tenthsInto, true) +
               L")";
    }
    if (files.tenthsBefore > 0) {
        return L" (the first " + duration(files.tenthsBefore) + L" are in " +
               filesText(files.beginning) + L")";
    }
    return L"";
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
        return endReason(end) + (L"Saved to: " + filesText(files.saved)) + beginningText(files) +
               gapsSuffix(gaps);
    }
    if (const wchar_t* failure = textsOf(outcome).failure) {
        return failure;
    }
    // Not saved: what the recording's own files still hold of it.
    if (files.tenthsBefore > 0) {
        return L"Not saved; the first " + duration(files.tenthsBefore) + L" are in " +
               filesText(files.beginning);
    }
    return L"Not saved: " + files.saved.first;
}

const wchar_t* captureErrorBox(CaptureOutcome outcome) {
    return textsOf(outcome).box;
}
