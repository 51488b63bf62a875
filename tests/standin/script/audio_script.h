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
    std::optional<std::vector<BYTE>> initializedFormat;  // as Initialize received it
    REFERENCE_TIME bufferDuration = 0;
    int starts = 0;
    int stops = 0;
    std::vector<Packet> delivered;       // packets handed out by GetBuffer, in order
    int lostPackets = 0;                 // overwritten before they were taken
    std::vector<UINT32> releasedFrames;  // the frame counts given to ReleaseBuffer
    bool packetHeld = false;             // a packet was obtained and not released
    int releaseBufferErrors = 0;         // ReleaseBuffer with no packet or a wrong count
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
