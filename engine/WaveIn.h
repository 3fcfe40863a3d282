// Capture from one wave-input device into a ring of 20 blocks, 8 of them in the device's hands. The
// block protocol is CCaptureRing's; this class makes the wave-input calls around it.
//
// Threads:
// - UI thread: Create, Start, DrainDevice and Close.
// - the device's callback (WaveInProc): hands each returned header to the ring and wakes the feeder
//   and the worker, under a critical section, since a reset may run it on the caller's thread while
//   the driver's thread completes another header. It makes no wave call: the platform deadlocks on
//   wave calls inside the callback.
// - the feeder thread: gives headers back to the device, each on the next free block, in the order
//   they came back; refused and empty ones after CCaptureRing::kRetryMs. It times the loss when the
//   ring is full.
// - a closing thread, when the stop's wait ran out: closes the device once every header is back.
// - the job's worker thread: TakeFilled, ReleaseFilled, WaitForData, DeviceStalled.
// Times are taken from a clock that stands still while the computer sleeps, so a recording that
// slept is not taken for a device that stopped delivering.
#pragma once
#include "BlockChain.h"
#include "CaptureRing.h"

#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <stdint.h>

// 16-bit PCM capture format of the recording job's settings.
WAVEFORMATEX PcmCaptureFormat(int32_t channels, int32_t sampleRate);

class CWaveIn final {
  public:
    // An open device with its headers queued, not started; null on any failure, with the wave-input
    // error in *error (MMSYSERR_NOMEM when memory or a thread ran out).
    static CWaveIn* Create(UINT deviceIndex, const WAVEFORMATEX* format, MMRESULT* error);
    // Slot 0: stops and closes the device, ends the feeder, frees the ring, deletes the object. When
    // the device still holds a header, or a callback still runs, a thread of its own does it as soon as
    // they are back, so the microphone is not held until the program ends.
    virtual void Close();
    // MMSYSERR_NOERROR when the device started capturing.
    MMRESULT Start();
    // Ends the feeder, resets (and so stops) the device and waits, bounded, until every header came
    // back, so each block captured before the stop is marked filled. Repeatable.
    void DrainDevice();
    // Worker side: 1 once the device stopped delivering (CCaptureRing::Stalled).
    int DeviceStalled();
    // Audio lost because the ring was full (CCaptureRing::LostMs). Any thread.
    uint32_t LostMs() const;

    HWAVEIN GetDevice() const { return m_hWaveIn; }
    uint32_t GetBlockBytes() const { return m_nBlockBytes; }

    // Worker side: the next block handed back (data null when none), read in place; then release it.
    SFilledBlock TakeFilled() const { return m_Ring.TakeFilled(); }
    void ReleaseFilled();
    // Worker side: waits until a block may have come back, WakeReader was called, or timeoutMs passed.
    void WaitForData(DWORD timeoutMs);
    void WakeReader();

  private:
    CWaveIn() = default;
    ~CWaveIn() = default;
    MMRESULT Open(UINT deviceIndex, const WAVEFORMATEX* format);
    static int AddToDevice(void* self, void* header, uint8_t* block);
    void OnHeaderBack(WAVEHDR* header);
    void Feed();
    void EndFeeder();
    int CloseDevice();
    void ReleaseAll();
    static DWORD WINAPI ClosingThread(LPVOID self);
    static void CALLBACK WaveInProc(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                    DWORD_PTR param2);
    static DWORD WINAPI FeederThread(LPVOID self);

    HWAVEIN m_hWaveIn = nullptr;
    WAVEHDR m_Headers[kDeviceHeaders] = {};
    uint32_t m_nBlockBytes = 0;
    CBlockChain m_Blocks;
    CCaptureRing m_Ring;
    HANDLE m_hFeedEvent = nullptr; // auto-reset: a header came back or a block was freed
    HANDLE m_hDataEvent = nullptr; // auto-reset: a block may be filled, or the worker is woken
    HANDLE m_hFeeder = nullptr;
    std::atomic<int32_t> m_bEndFeeder{0};
    HANDLE m_hReturnEvent = nullptr; // auto-reset: a header came back
    CRITICAL_SECTION m_Callback;     // the callback's work on the ring, one at a time
    bool m_bCallbackLock = false;
    // Callbacks between their first and last touch of this object: the stop frees it only at 0.
    std::atomic<int32_t> m_nInCallback{0};
};
