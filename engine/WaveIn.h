// Capture from one wave-input device into a ring of 20 blocks, 8 of them in the device's hands.
//
// Threads and the fields each writes:
// - UI thread: Create, Start, DrainDevice and Close.
// - the device's callback thread (WaveInProc): m_nFilledEnd, m_nReturned, the recorded count of each
//   block that comes back, and pushes returned headers into m_HandOff. It makes no wave call: the
//   platform deadlocks on wave calls inside the callback.
// - the feeder thread: m_nQueueEnd, m_nAdded and m_nSpare (the open step writes them before the
//   device starts); it gives headers back to the device, each on the next free block, in the order
//   they came back.
// - the job's worker thread: m_nReadPos, through TakeFilled and ReleaseFilled.
// Each cursor has one writer; stores release, loads acquire, so block data is visible first.
#pragma once
#include "BlockChain.h"
#include "HandOff.h"
#include "RingMath.h"

#include <windows.h>

#include <mmsystem.h>

#include <atomic>
#include <stdint.h>

// 16-bit PCM capture format of the recording job's settings.
WAVEFORMATEX PcmCaptureFormat(int32_t channels, int32_t sampleRate);

// A block the device handed back: bytes is what it recorded into it in this pass (0 when the
// header came back with an error or was never taken by the device).
struct SFilledBlock {
    const uint8_t* data;
    uint32_t bytes;
};

class CWaveIn final {
  public:
    // An open device with its headers queued, not started; null on any failure.
    static CWaveIn* Create(UINT deviceIndex, const WAVEFORMATEX* format);
    // Slot 0: stops and closes the device, ends the feeder, frees the ring, deletes the object.
    virtual void Close();
    // 1 when the device started capturing.
    int Start();
    // Ends the feeder, resets (and so stops) the device and waits, bounded, until every header came
    // back, so each block captured before the stop is marked filled. Repeatable.
    void DrainDevice();
    // Worker side: 1 when the device holds buffers (or refused them) yet gave back no audio for 3
    // seconds: it was unplugged or its driver failed. A full ring, where the device holds nothing,
    // is not a fault.
    int DeviceStalled(DWORD nowTick);

    HWAVEIN GetDevice() const { return m_hWaveIn; }
    uint32_t GetBlockBytes() const { return m_nBlockBytes; }

    // Worker side: the next block handed back (data null when none), read in place; then release it.
    SFilledBlock TakeFilled() const;
    void ReleaseFilled();
    // Worker side: waits until a block may have come back, WakeReader was called, or timeoutMs passed.
    void WaitForData(DWORD timeoutMs);
    void WakeReader();

    struct Cursors {
        uint32_t filledEnd, readPos, queueEnd;
    };
    Cursors GetCursors() const;
    const uint8_t* GetRing() const { return m_pRing; }

  private:
    CWaveIn() = default;
    ~CWaveIn() = default;
    int Open(UINT deviceIndex, const WAVEFORMATEX* format);
    int HasFreeBlock() const;
    int QueueOnFreeBlock(WAVEHDR* header);
    void OnHeaderBack(WAVEHDR* header);
    void AdvanceFilledEnd();
    void Feed();
    void QueueWaitingHeaders();
    void EndFeeder();
    void ReleaseAll();
    static void CALLBACK WaveInProc(HWAVEIN device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                    DWORD_PTR param2);
    static DWORD WINAPI FeederThread(LPVOID self);

    HWAVEIN m_hWaveIn = nullptr;
    WAVEHDR m_Headers[kDeviceHeaders] = {};
    uint32_t m_nBlockBytes = 0;
    CBlockChain m_Blocks;
    uint8_t* m_pRing = nullptr;
    uint32_t m_nRingBytes = 0;
    std::atomic<uint32_t> m_nFilledEnd{0};
    std::atomic<uint32_t> m_nReadPos{0};
    std::atomic<uint32_t> m_nQueueEnd{0};
    uint32_t m_nSlotBytes = 0;
    // Per block: the bytes it came back with, or kWithDevice while the device holds it. The filled
    // end passes a block only once it came back, whatever order the device hands headers back in.
    std::atomic<uint32_t> m_nRecorded[kRingBlocks] = {};
    CHandOff<WAVEHDR, kDeviceHeaders> m_HandOff; // holds all 8 headers: the callback never drops one
    WAVEHDR* m_pSpare[kDeviceHeaders] = {};      // refused by waveInAddBuffer; the feeder retries them
    std::atomic<uint32_t> m_nSpare{0};
    HANDLE m_hFeedEvent = nullptr; // auto-reset: a header came back or a block was freed
    HANDLE m_hDataEvent = nullptr; // auto-reset: a block may be filled, or the worker is woken
    HANDLE m_hFeeder = nullptr;
    std::atomic<int32_t> m_bEndFeeder{0};
    // Headers given with waveInAddBuffer and headers handed back through WIM_DATA: equal once the
    // device holds none. Windows may deliver a completion after waveInStop has returned.
    std::atomic<uint32_t> m_nAdded{0};
    std::atomic<uint32_t> m_nReturned{0};
    HANDLE m_hReturnEvent = nullptr; // auto-reset: a header came back
    // Signs of a working device: audio came back, or it was given a header while it held none (after
    // a full ring). Counted, not timed: the callback may not call the clock.
    std::atomic<uint32_t> m_nProgress{0};
    uint32_t m_nSeenProgress = 0; // worker's: the count and when it last changed (set by Start)
    DWORD m_dwSeenTick = 0;
};
