// Test-only stand-in for the WinMM wave-input API, over a scriptable fake device that completes
// headers from its own thread (fake_wavein.cpp; test hooks in fake_wavein.h).
#pragma once
#include <windows.h>

typedef UINT MMRESULT;
typedef struct HWAVEIN__* HWAVEIN;
typedef HWAVEIN* LPHWAVEIN;

#define MMSYSERR_NOERROR 0u
#define MMSYSERR_ERROR 1u
#define MMSYSERR_BADDEVICEID 2u
#define MMSYSERR_ALLOCATED 4u
#define MMSYSERR_INVALHANDLE 5u
#define MMSYSERR_NOMEM 7u
#define MMSYSERR_INVALPARAM 11u
#define WAVERR_BADFORMAT 32u
#define WAVERR_STILLPLAYING 33u
#define WAVERR_UNPREPARED 34u

#define WAVE_MAPPER ((UINT)-1)
#define WAVE_FORMAT_PCM 1
#define CALLBACK_FUNCTION 0x00030000u

#define WIM_OPEN 0x3BE
#define WIM_CLOSE 0x3BF
#define WIM_DATA 0x3C0

#define WHDR_DONE 0x01u
#define WHDR_PREPARED 0x02u
#define WHDR_BEGINLOOP 0x04u
#define WHDR_ENDLOOP 0x08u
#define WHDR_INQUEUE 0x10u

typedef struct wavehdr_tag {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    struct wavehdr_tag* lpNext;
    DWORD_PTR reserved;
} WAVEHDR, *LPWAVEHDR;

typedef struct tWAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
} WAVEFORMATEX, *LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

UINT waveInGetNumDevs(void);
MMRESULT waveInOpen(LPHWAVEIN device, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                    DWORD_PTR instance, DWORD flags);
MMRESULT waveInClose(HWAVEIN device);
MMRESULT waveInPrepareHeader(HWAVEIN device, LPWAVEHDR header, UINT headerBytes);
MMRESULT waveInUnprepareHeader(HWAVEIN device, LPWAVEHDR header, UINT headerBytes);
MMRESULT waveInAddBuffer(HWAVEIN device, LPWAVEHDR header, UINT headerBytes);
MMRESULT waveInStart(HWAVEIN device);
MMRESULT waveInStop(HWAVEIN device);
MMRESULT waveInReset(HWAVEIN device);
