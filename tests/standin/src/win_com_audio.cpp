// The stand-in's default capture endpoint: COM activation, IAudioClient and IAudioCaptureClient,
// following the documented contracts the capture thread relies on (one packet held at a time,
// ReleaseBuffer with the frame count of GetBuffer, an empty buffer reported as
// AUDCLNT_S_BUFFER_EMPTY, COM required on the calling thread).
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/platform.h"
#include "tests/standin/script/audio_script.h"

namespace standin {
namespace {

using Clock = std::chrono::steady_clock;

struct Failure {
    AudioCall call;
    HRESULT result;
    int nth;
    bool sticky;
};

std::recursive_mutex audioMutex;
EndpointScript script;
std::vector<Failure> failures;
std::map<AudioCall, int> callCounts;
AudioRecord record;
std::vector<std::unique_ptr<IUnknown, void (*)(IUnknown*)>> objects;
std::set<void*> mixFormats;

bool started = false;
Clock::time_point startTime;
std::size_t startIndex = 0;  // the first packet of the running stream
std::size_t packetIndex = 0;
std::optional<Packet> nextPacket;  // packet number packetIndex, once asked for
bool exhausted = false;
bool held = false;
bool discontinuity = false;  // packets were lost since the last one taken
std::vector<BYTE> heldData;
UINT32 heldFrames = 0;
std::optional<Clock::time_point> goneAt;  // when the scripted outage began
int goneStream = 0;                       // the Start that began the stream running then
std::optional<std::thread::id> executionStateThread;

thread_local int comDepth = 0;

HRESULT enter(AudioCall call) {
    if (script.keepRecord) {
        record.calls.push_back(call);
    }
    const int count = ++callCounts[call];
    for (const Failure& failure : failures) {
        if (failure.call == call &&
            (count == failure.nth || (failure.sticky && count > failure.nth))) {
            return failure.result;
        }
    }
    if (goneAt && call == script.outage->failingOpen &&
        Clock::now() < *goneAt + script.outage->lasts) {
        return script.outage->openResult;
    }
    return S_OK;
}

// Whether the running stream was running when the endpoint went away; the outage begins once
// its packet has been reached.
bool streamGone() {
    if (script.outage && !goneAt && packetIndex >= script.outage->afterPackets) {
        goneAt = Clock::now();
        goneStream = record.starts;
    }
    return goneAt && goneStream == record.starts;
}

const std::vector<BYTE>& currentMixFormat() {
    return goneAt && !script.outage->returnFormat.empty() ? script.outage->returnFormat
                                                          : script.mixFormat;
}

// Asks the script for packet number packetIndex, once.
bool havePacket() {
    if (!nextPacket && !exhausted) {
        nextPacket = script.packet ? script.packet(packetIndex) : std::nullopt;
        exhausted = !nextPacket;
    }
    return nextPacket.has_value();
}

Clock::time_point dueTime(std::size_t index) {
    return startTime + script.period * static_cast<long>(index - startIndex + 1);
}

// A paced endpoint keeps what it captured for the length of its buffer: a packet not taken
// within that time is overwritten, and the next one taken is flagged as a discontinuity.
void dropOverwrittenPackets() {
    const auto kept = std::chrono::microseconds(record.bufferDuration / 10);
    while (script.period.count() != 0 && havePacket() &&
           Clock::now() - dueTime(packetIndex) > kept) {
        nextPacket.reset();
        ++packetIndex;
        ++record.lostPackets;
        discontinuity = true;
    }
}

bool packetReady() {
    if (!started || held) {
        return false;
    }
    dropOverwrittenPackets();
    if (!havePacket()) {
        return false;
    }
    return script.period.count() == 0 || Clock::now() >= dueTime(packetIndex);
}

// Every interface starts with one reference; the last Release is recorded by name. Objects stay
// allocated until the next script so that a release too many is counted, not a crash.
template <typename Interface>
class Counted : public Interface {
  public:
    explicit Counted(const char* name) : name_(name) { ++record.liveInterfaces; }
    virtual ~Counted() = default;

    ULONG Release() override {
        std::lock_guard lock(audioMutex);
        if (references_ == 0) {
            ++record.extraReleases;
            return 0;
        }
        if (--references_ == 0) {
            record.releases.push_back(name_);
            --record.liveInterfaces;
        }
        return references_;
    }

  private:
    const char* name_;
    ULONG references_ = 1;
};

template <typename Object>
Object* make() {
    auto* object = new Object();
    objects.emplace_back(object, [](IUnknown* unknown) { delete static_cast<Object*>(unknown); });
    return object;
}

class CaptureClient final : public Counted<IAudioCaptureClient> {
  public:
    CaptureClient() : Counted("captureClient") {}

    HRESULT GetBuffer(BYTE** data, UINT32* framesToRead, DWORD* flags, UINT64* devicePosition,
                      UINT64* qpcPosition) override {
        std::lock_guard lock(audioMutex);
        if (const HRESULT hr = enter(AudioCall::getBuffer); FAILED(hr)) {
            return hr;
        }
        if (data == nullptr || framesToRead == nullptr || flags == nullptr) {
            return E_POINTER;
        }
        if (held) {
            return AUDCLNT_E_OUT_OF_ORDER;
        }
        if (streamGone() && FAILED(script.outage->streamResult)) {
            return script.outage->streamResult;
        }
        if (devicePosition != nullptr) {
            *devicePosition = 0;
        }
        if (qpcPosition != nullptr) {
            *qpcPosition = 0;
        }
        if (streamGone() || !packetReady()) {
            *data = nullptr;
            *framesToRead = 0;
            *flags = 0;
            return AUDCLNT_S_BUFFER_EMPTY;
        }
        if (discontinuity) {
            nextPacket->flags |= AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY;
            discontinuity = false;
        }
        held = true;
        record.packetHeld = true;
        heldData = nextPacket->data;
        heldFrames = nextPacket->frames;
        if (script.keepRecord) {
            record.delivered.push_back(*nextPacket);
        }
        *data = heldData.data();
        *framesToRead = heldFrames;
        *flags = nextPacket->flags;
        return S_OK;
    }

    HRESULT ReleaseBuffer(UINT32 framesRead) override {
        std::lock_guard lock(audioMutex);
        if (const HRESULT hr = enter(AudioCall::releaseBuffer); FAILED(hr)) {
            return hr;
        }
        if (!held) {
            ++record.releaseBufferErrors;
            return AUDCLNT_E_OUT_OF_ORDER;
        }
        if (framesRead != heldFrames) {
            ++record.releaseBufferErrors;
            return AUDCLNT_E_INVALID_SIZE;
        }
        held = false;
        record.packetHeld = false;
        if (script.keepRecord) {
            record.releasedFrames.push_back(framesRead);
        }
        nextPacket.reset();
        ++packetIndex;
        return S_OK;
    }

    HRESULT GetNextPacketSize(UINT32* framesInNextPacket) override {
        std::lock_guard lock(audioMutex);
        if (const HRESULT hr = enter(AudioCall::getNextPacketSize); FAILED(hr)) {
            return hr;
        }
        if (framesInNextPacket == nullptr) {
            return E_POINTER;
        }
        *framesInNextPacket = 0;
        if (streamGone()) {
            return script.outage->streamResult;
        }
        if (packetReady()) {
            *framesInNextPacket = nextPacket->announcedFrames.value_or(nextPacket->frames);
        }
        return S_OK;
    }
};

class AudioClient final : public Counted<IAudioClient> {
  public:
    AudioClient() : Counted("audioClient") {}

    HRESULT Initialize(AUDCLNT_SHAREMODE shareMode, DWORD flags, REFERENCE_TIME bufferDuration,
                       REFERENCE_TIME, const WAVEFORMATEX* format, LPCGUID) override {
        std::lock_guard lock(audioMutex);
        if (const HRESULT hr = enter(AudioCall::initialize); FAILED(hr)) {
            return hr;
        }
        if (format == nullptr) {
            return E_POINTER;
        }
        if (initialized_) {
            return AUDCLNT_E_ALREADY_INITIALIZED;
        }
        const auto* bytes = reinterpret_cast<const BYTE*>(format);
        const std::size_t size =
            sizeof(WAVEFORMATEX) + (format->wFormatTag == WAVE_FORMAT_PCM ? 0 : format->cbSize);
        const std::vector<BYTE> given(bytes, bytes + size);
        // A shared stream takes the mix format, or with conversion 16-bit PCM.
        const bool converted = (flags & AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM) != 0 &&
                               script.convertsPcm && format->wFormatTag == WAVE_FORMAT_PCM &&
                               format->wBitsPerSample == 16;
        if (shareMode != AUDCLNT_SHAREMODE_SHARED || (given != currentMixFormat() && !converted)) {
            return AUDCLNT_E_UNSUPPORTED_FORMAT;
        }
        record.initializedFormat = given;
        record.streamFlags = flags;
        record.bufferDuration = bufferDuration;
        initialized_ = true;
        return S_OK;
    }

    HRESULT GetMixFormat(WAVEFORMATEX** deviceFormat) override {
        std::lock_guard lock(audioMutex);
        if (const HRESULT hr = enter(AudioCall::getMixFormat); FAILED(hr)) {
            return hr;
        }
        if (deviceFormat == nullptr) {
            return E_POINTER;
        }
        const std::vector<BYTE>& mix = currentMixFormat();
        void* copy = std::malloc(mix.size());
        std::memcpy(copy, mix.data(), mix.size());
        mixFormats.insert(copy);
        ++record.mixFormatsAllocated;
        *deviceFormat = static_cast<WAVEFORMATEX*>(copy);
        return S_OK;
    }

    HRESULT Start() override {
        std::lock_guard lock(audioMutex);
        if (const HRESULT hr = enter(AudioCall::start); FAILED(hr)) {
            return hr;
        }
        if (!initialized_) {
            return AUDCLNT_E_NOT_INITIALIZED;
        }
        started = true;
        startTime = Clock::now();
        startIndex = packetIndex;
        ++record.starts;
        return S_OK;
    }

    HRESULT Stop() override {
        std::lock_guard lock(audioMutex);
        if (const HRESULT hr = enter(AudioCall::stop); FAILED(hr)) {
            return hr;
        }
        started = false;
        ++record.stops;
        return S_OK;
    }

    HRESULT GetService(REFIID riid, void** service) override {
        std::lock_guard lock(audioMutex);
        if (const HRESULT hr = enter(AudioCall::getService); FAILED(hr)) {
            return hr;
        }
        if (service == nullptr) {
            return E_POINTER;
        }
        if (!initialized_) {
            return AUDCLNT_E_NOT_INITIALIZED;
        }
        if (!IsEqualGUID(riid, kIidIAudioCaptureClient)) {
            return E_NOINTERFACE;
        }
        *service = static_cast<IAudioCaptureClient*>(make<CaptureClient>());
        return S_OK;
    }

  private:
    bool initialized_ = false;
};

class Device final : public Counted<IMMDevice> {
  public:
    Device() : Counted("device") {}

    HRESULT Activate(REFIID iid, DWORD, PROPVARIANT*, void** result) override {
        std::lock_guard lock(audioMutex);
        if (const HRESULT hr = enter(AudioCall::activate); FAILED(hr)) {
            return hr;
        }
        if (result == nullptr) {
            return E_POINTER;
        }
        if (!IsEqualGUID(iid, kIidIAudioClient)) {
            return E_NOINTERFACE;
        }
        *result = static_cast<IAudioClient*>(make<AudioClient>());
        return S_OK;
    }
};

class Enumerator final : public Counted<IMMDeviceEnumerator> {
  public:
    Enumerator() : Counted("enumerator") {}

    HRESULT GetDefaultAudioEndpoint(EDataFlow dataFlow, ERole, IMMDevice** endpoint) override {
        std::lock_guard lock(audioMutex);
        if (const HRESULT hr = enter(AudioCall::getDefaultAudioEndpoint); FAILED(hr)) {
            return hr;
        }
        if (endpoint == nullptr) {
            return E_POINTER;
        }
        if (dataFlow != eCapture) {
            return E_NOTFOUND;
        }
        *endpoint = make<Device>();
        return S_OK;
    }
};

}  // namespace

std::vector<BYTE> mixFormat(WORD tag, WORD channels, DWORD rate, WORD bits, const GUID* subFormat) {
    WAVEFORMATEXTENSIBLE format{};
    format.Format.wFormatTag = tag;
    format.Format.nChannels = channels;
    format.Format.nSamplesPerSec = rate;
    format.Format.wBitsPerSample = bits;
    format.Format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.Format.nAvgBytesPerSec = rate * format.Format.nBlockAlign;
    std::size_t size = sizeof(WAVEFORMATEX);
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        format.Format.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
        format.Samples.wValidBitsPerSample = bits;
        format.dwChannelMask = channels == 1 ? 0x4u : (1u << channels) - 1u;
        format.SubFormat = subFormat != nullptr ? *subFormat : kSubtypePcm;
        size = sizeof(WAVEFORMATEXTENSIBLE);
    }
    const auto* bytes = reinterpret_cast<const BYTE*>(&format);
    return std::vector<BYTE>(bytes, bytes + size);
}

Packet floatPacket(const std::vector<float>& interleaved, WORD channels, DWORD flags) {
    Packet packet;
    packet.data.resize(interleaved.size() * sizeof(float));
    std::memcpy(packet.data.data(), interleaved.data(), packet.data.size());
    packet.frames = static_cast<UINT32>(interleaved.size() / channels);
    packet.flags = flags;
    return packet;
}

Packet pcmPacket(const std::vector<std::int16_t>& interleaved, WORD channels, DWORD flags) {
    Packet packet;
    packet.data.resize(interleaved.size() * sizeof(std::int16_t));
    std::memcpy(packet.data.data(), interleaved.data(), packet.data.size());
    packet.frames = static_cast<UINT32>(interleaved.size() / channels);
    packet.flags = flags;
    return packet;
}

void setEndpoint(EndpointScript newScript) {
    std::lock_guard lock(audioMutex);
    script = std::move(newScript);
    failures.clear();
    callCounts.clear();
    record = AudioRecord{};
    objects.clear();
    for (void* format : mixFormats) {
        std::free(format);
    }
    mixFormats.clear();
    started = false;
    startIndex = 0;
    packetIndex = 0;
    nextPacket.reset();
    exhausted = false;
    held = false;
    discontinuity = false;
    heldData.clear();
    heldFrames = 0;
    goneAt.reset();
    goneStream = 0;
    executionStateThread.reset();
}

void failCall(AudioCall call, HRESULT result, int nth, bool sticky) {
    std::lock_guard lock(audioMutex);
    failures.push_back({call, result, nth, sticky});
}

AudioRecord audioRecord() {
    std::lock_guard lock(audioMutex);
    return record;
}

}  // namespace standin

using standin::audioMutex;

HRESULT CoInitialize(void*) {
    std::lock_guard lock(audioMutex);
    ++standin::comDepth;
    ++standin::record.comInitialisations;
    return S_OK;
}

void CoUninitialize() {
    std::lock_guard lock(audioMutex);
    if (standin::comDepth == 0) {
        standin::record.comBalancedOnOneThread = false;
    } else {
        --standin::comDepth;
    }
    ++standin::record.comUninitialisations;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID iid, void** result) {
    std::lock_guard lock(audioMutex);
    if (const HRESULT hr = standin::enter(standin::AudioCall::coCreateInstance); FAILED(hr)) {
        return hr;
    }
    if (result == nullptr) {
        return E_POINTER;
    }
    if (standin::comDepth == 0) {
        return CO_E_NOTINITIALIZED;
    }
    if (outer != nullptr || !IsEqualGUID(clsid, kClsidMMDeviceEnumerator)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    if (!IsEqualGUID(iid, kIidIMMDeviceEnumerator)) {
        return E_NOINTERFACE;
    }
    *result = static_cast<IMMDeviceEnumerator*>(standin::make<standin::Enumerator>());
    return S_OK;
}

EXECUTION_STATE SetThreadExecutionState(EXECUTION_STATE flags) {
    std::lock_guard lock(audioMutex);
    auto& thread = standin::executionStateThread;
    standin::record.executionStates.push_back(flags);
    if (thread && *thread != std::this_thread::get_id()) {
        standin::record.executionStatesOnOneThread = false;
    }
    thread = std::this_thread::get_id();
    return ES_CONTINUOUS;
}

void CoTaskMemFree(void* memory) {
    if (memory == nullptr) {
        return;
    }
    std::lock_guard lock(audioMutex);
    if (standin::mixFormats.erase(memory) == 1) {
        ++standin::record.mixFormatsFreed;
        std::free(memory);
    }
}
