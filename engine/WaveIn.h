// Capture from one wave-input device into a ring of 20 blocks, 8 of them in the device's hands.
//
// Threads and the fields each writes:
// - UI thread: Create, DrainDevice and Close; the job starts and stops the device through GetDevice().
// - the device's callback thread (WaveInProc): m_nFilledEnd and m_nReturned, and pushes completed
//   headers into m_HandOff. It makes no wave call: the platform deadlocks on wave calls inside the
//   callback.
// - the feeder thread: m_nQueueEnd and m_nAdded (the open step writes them before the device
//   starts); it gives headers back to the device, each on the next free block, in the order they
//   completed.
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

class CWaveIn final {
  public:
    // An open device with its headers queued, not started; null on any failure.
    static CWaveIn* Create(UINT deviceIndex, const WAVEFORMATEX* format);
    // Slot 0: stops and closes the device, ends the feeder, frees the ring, deletes the object.
    virtual void Close();
    // Ends the feeder, resets (and so stops) the device and waits, bounded, until every header came
    // back, so each full block captured before the stop is marked filled. Repeatable.
    void DrainDevice();

    HWAVEIN GetDevice() const { return m_hWaveIn; }
    uint32_t GetBlockBytes() const { return m_nBlockBytes; }

    // Worker side: the next filled block, read in place, or null; then hand it back.
    const uint8_t* TakeFilled() const;
    void ReleaseFilled();

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
    void QueueOnFreeBlock(WAVEHDR* header);
    void OnBlockDone(WAVEHDR* header);
    void Feed();
    void EndFeeder();
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
    CHandOff<WAVEHDR, kDeviceHeaders> m_HandOff; // holds all 8 headers: the callback never drops one
    HANDLE m_hFeedEvent = nullptr;               // auto-reset: a header completed or a block was freed
    HANDLE m_hFeeder = nullptr;
    std::atomic<int32_t> m_bEndFeeder{0};
    // Headers given with waveInAddBuffer and headers handed back through WIM_DATA: equal once the
    // device holds none. Windows may deliver a completion after waveInStop has returned.
    std::atomic<uint32_t> m_nAdded{0};
    std::atomic<uint32_t> m_nReturned{0};
    HANDLE m_hReturnEvent = nullptr; // auto-reset: a header came back
};
