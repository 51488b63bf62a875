// How tests script the stand-in's default capture endpoint and read back what the program did
// with it.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "standin/win_com_audio.h"
#include "standin/win_power.h"

namespace standin {

// Every platform call of the audio set-up and of the capture loop, for injecting failures.
enum class AudioCall {
    coCreateInstance,
    getDefaultAudioEndpoint,
    activate,
    getMixFormat,
    initialize,
    getService,
    start,
    getNextPacketSize,
    getBuffer,
    releaseBuffer,
    stop,
};

struct Packet {
    std::vector<BYTE> data;  // frames x block-align bytes
    UINT32 frames = 0;
    DWORD flags = 0;
    // What GetNextPacketSize announces for this packet, if not its frame count.
    std::optional<UINT32> announcedFrames;
};

// The endpoint goes away during a recording and comes back.
struct Outage {
    std::size_t afterPackets = 0;  // it goes once this many packets have been taken
    // What the running stream's GetNextPacketSize and GetBuffer return from then on; S_OK: the
    // stream just has nothing, as Wine's does.
    HRESULT streamResult = AUDCLNT_E_DEVICE_INVALIDATED;
    // For this long after it went, opening it fails at this call with this result.
    std::chrono::milliseconds lasts{0};
    AudioCall failingOpen = AudioCall::initialize;
    HRESULT openResult = AUDCLNT_E_ENDPOINT_CREATE_FAILED;
    std::vector<BYTE> returnFormat;  // its mix format once back; empty: the one it had
};

struct EndpointScript {
    // The bytes GetMixFormat hands out (a WAVEFORMATEX, or a WAVEFORMATEXTENSIBLE).
    std::vector<BYTE> mixFormat;
    // Packet number i, or nothing once the endpoint has no more to give.
    std::function<std::optional<Packet>(std::size_t index)> packet;
    // Zero: every packet is available as soon as the stream starts. Otherwise packet i becomes
    // available (i + 1) periods after Start, as a real device delivers them, and is lost when it
    // has not been taken within the stream's buffer duration; the next packet taken then carries
    // AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY.
    std::chrono::microseconds period{0};
    // False: the record keeps no call, packet or frame count, for runs of hours.
    bool keepRecord = true;
    std::optional<Outage> outage;
    // Whether Initialize accepts a 16-bit PCM format other than the mix format with
    // AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM; packets are scripted in the format the stream has.
    bool convertsPcm = true;
};

struct AudioRecord {
    std::vector<AudioCall> calls;       // every audio call, in order
    std::vector<std::string> releases;  // interfaces in the order they were finally released
    int extraReleases = 0;              // Release calls on an interface already released
    int liveInterfaces = 0;             // obtained and not yet released
    int mixFormatsAllocated = 0;
    int mixFormatsFreed = 0;
    int comInitialisations = 0;
    int comUninitialisations = 0;
    bool comBalancedOnOneThread = true;  // every uninitialise on the thread that initialised
    std::optional<std::vector<BYTE>> initializedFormat;  // as the last Initialize received it
    DWORD streamFlags = 0;                               // given to the last Initialize
    REFERENCE_TIME bufferDuration = 0;
    int starts = 0;
    int stops = 0;
    std::vector<Packet> delivered;                 // packets handed out by GetBuffer, in order
    int lostPackets = 0;                           // overwritten before they were taken
    std::vector<UINT32> releasedFrames;            // the frame counts given to ReleaseBuffer
    bool packetHeld = false;                       // a packet was obtained and not released
    int releaseBufferErrors = 0;                   // ReleaseBuffer with no packet or a wrong count
    std::vector<EXECUTION_STATE> executionStates;  // given to SetThreadExecutionState, in order
    bool executionStatesOnOneThread = true;
};

// Builds a mix format. subFormat is used (and the extensible form built) when tag is
// WAVE_FORMAT_EXTENSIBLE.
std::vector<BYTE> mixFormat(WORD tag, WORD channels, DWORD rate, WORD bits,
                            const GUID* subFormat = nullptr);

Packet floatPacket(const std::vector<float>& interleaved, WORD channels, DWORD flags = 0);
Packet pcmPacket(const std::vector<std::int16_t>& interleaved, WORD channels, DWORD flags = 0);

// Replaces the endpoint and forgets all failures and records.
void setEndpoint(EndpointScript script);
// Makes the nth call (counting from 1) of that kind, and every later one if sticky, fail.
void failCall(AudioCall call, HRESULT result, int nth = 1, bool sticky = false);
AudioRecord audioRecord();

}  // namespace standin
