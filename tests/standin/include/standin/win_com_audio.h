// COM and Core Audio capture interfaces, with the real method names, argument lists and order.
#pragma once

#include "standin/win_types.h"

constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr WORD WAVE_FORMAT_IEEE_FLOAT = 3;
constexpr WORD WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};

struct WAVEFORMATEXTENSIBLE {
    WAVEFORMATEX Format;
    union {
        WORD wValidBitsPerSample;
        WORD wSamplesPerBlock;
        WORD wReserved;
    } Samples;
    DWORD dwChannelMask;
    GUID SubFormat;
};
#pragma pack(pop)

using REFERENCE_TIME = LONGLONG;

enum EDataFlow { eRender = 0, eCapture = 1, eAll = 2 };
enum ERole { eConsole = 0, eMultimedia = 1, eCommunications = 2 };
enum AUDCLNT_SHAREMODE { AUDCLNT_SHAREMODE_SHARED = 0, AUDCLNT_SHAREMODE_EXCLUSIVE = 1 };

constexpr DWORD CLSCTX_ALL = 0x17;
constexpr DWORD AUDCLNT_BUFFERFLAGS_DATA_DISCONTINUITY = 0x1;
constexpr DWORD AUDCLNT_BUFFERFLAGS_SILENT = 0x2;
constexpr DWORD AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM = 0x80000000;
constexpr DWORD AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY = 0x08000000;

constexpr HRESULT AUDCLNT_S_BUFFER_EMPTY = makeHresult(0x08890001);
constexpr HRESULT AUDCLNT_E_NOT_INITIALIZED = makeHresult(0x88890001);
constexpr HRESULT AUDCLNT_E_ALREADY_INITIALIZED = makeHresult(0x88890002);
constexpr HRESULT AUDCLNT_E_DEVICE_INVALIDATED = makeHresult(0x88890004);
constexpr HRESULT AUDCLNT_E_OUT_OF_ORDER = makeHresult(0x88890007);
constexpr HRESULT AUDCLNT_E_UNSUPPORTED_FORMAT = makeHresult(0x88890008);
constexpr HRESULT AUDCLNT_E_INVALID_SIZE = makeHresult(0x88890009);
constexpr HRESULT AUDCLNT_E_DEVICE_IN_USE = makeHresult(0x8889000A);
constexpr HRESULT AUDCLNT_E_ENDPOINT_CREATE_FAILED = makeHresult(0x8889000F);
constexpr HRESULT AUDCLNT_E_SERVICE_NOT_RUNNING = makeHresult(0x88890010);
constexpr HRESULT E_NOTFOUND = makeHresult(0x80070490);

struct PROPVARIANT;

struct IUnknown {
    virtual ULONG Release() = 0;

  protected:
    ~IUnknown() = default;
};

struct IMMDevice : IUnknown {
    virtual HRESULT Activate(REFIID iid, DWORD clsCtx, PROPVARIANT* activationParams,
                             void** result) = 0;

  protected:
    ~IMMDevice() = default;
};

struct IMMDeviceEnumerator : IUnknown {
    virtual HRESULT GetDefaultAudioEndpoint(EDataFlow dataFlow, ERole role,
                                            IMMDevice** endpoint) = 0;

  protected:
    ~IMMDeviceEnumerator() = default;
};

struct IAudioClient : IUnknown {
    virtual HRESULT Initialize(AUDCLNT_SHAREMODE shareMode, DWORD streamFlags,
                               REFERENCE_TIME bufferDuration, REFERENCE_TIME periodicity,
                               const WAVEFORMATEX* format, LPCGUID sessionGuid) = 0;
    virtual HRESULT GetMixFormat(WAVEFORMATEX** deviceFormat) = 0;
    virtual HRESULT Start() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetService(REFIID riid, void** service) = 0;

  protected:
    ~IAudioClient() = default;
};

struct IAudioCaptureClient : IUnknown {
    virtual HRESULT GetBuffer(BYTE** data, UINT32* framesToRead, DWORD* flags,
                              UINT64* devicePosition, UINT64* qpcPosition) = 0;
    virtual HRESULT ReleaseBuffer(UINT32 framesRead) = 0;
    virtual HRESULT GetNextPacketSize(UINT32* framesInNextPacket) = 0;

  protected:
    ~IAudioCaptureClient() = default;
};

HRESULT CoInitialize(void* reserved);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID iid,
                         void** result);
void CoTaskMemFree(void* memory);
