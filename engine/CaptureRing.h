// The capture ring's block protocol without the device: which block each header is given, what came
// back into each block, the worker's read cursor, the headers waiting to go back to the device, and
// whether the device still delivers. CWaveIn puts the wave-input calls around it.
//
// Threads and what each writes (one writer per cursor; stores release, loads acquire, so a block's
// data is visible before the cursor that hands it over):
// - the device's callback: HeaderBack, CountReturned (m_nFilledEnd, m_nReturned, m_nProgress, the
//   recorded count of a block that came back, the hand-off's tail).
// - the feeder, and the open step before the device starts: Queue, QueueWaiting (m_nQueueEnd,
//   m_nAdded, the spare headers, the hand-off's head).
// - the job's worker: TakeFilled, ReleaseFilled, Stalled (m_nReadPos and the stall watch, which
//   StartWatch sets before the worker starts).
// Headers are the device's own records; the ring only keeps their addresses.
#pragma once
#include "HandOff.h"
#include "RingMath.h"

#include <atomic>
#include <stdint.h>

// A block the device handed back: bytes is what it recorded into it in this pass (0 when the
// header came back with an error or was never taken by the device).
struct SFilledBlock {
    const uint8_t* data;
    uint32_t bytes;
};

class CCaptureRing {
  public:
    // Points the header at the block and gives it to the device; 1 when the device took it.
    using AddFn = int (*)(void* context, void* header, uint8_t* block);

    // ring holds kRingBlocks blocks of blockBytes. The last block is held back: the worker's.
    void Init(uint8_t* ring, uint32_t blockBytes);
    // The next free block for this header; 0 when none is free or the device refused the header,
    // whose block then counts as come back empty.
    int Queue(void* header, AddFn add, void* context);
    // Gives the waiting headers back to the device in the order they came back, refused ones
    // first, while blocks are free; one refused again waits for the next call.
    void QueueWaiting(AddFn add, void* context);
    int HasSpare() const { return m_nSpare.load(std::memory_order_relaxed) != 0; }

    // A header came back naming its block by its data pointer; 1 when that is a block of the ring.
    int HeaderBack(void* header, const void* data, uint32_t bytesRecorded, int done);
    // Last of each return: once every header is counted back, every block is marked.
    void CountReturned() { m_nReturned.fetch_add(1, std::memory_order_release); }
    int AllBack() const {
        return m_nReturned.load(std::memory_order_acquire) == m_nAdded.load(std::memory_order_relaxed);
    }

    // Worker side: the next block handed back (data null when none), read in place; then release it.
    SFilledBlock TakeFilled() const;
    void ReleaseFilled();
    // Worker side: 1 when the device holds headers (or refused them) yet gave back no audio for
    // kStallMs: it was unplugged or its driver failed. A full ring, where it holds none, is no fault.
    void StartWatch(uint32_t nowMs);
    int Stalled(uint32_t nowMs);

    static constexpr uint32_t kStallMs = 3000; // longer than the queued headers' two seconds of audio

  private:
    int HasFreeBlock() const;
    uint32_t NextBlock(uint32_t pos) const { return NextSlot(pos, m_nBlockBytes, m_nRingBytes); }
    void AdvanceFilledEnd();

    uint8_t* m_pRing = nullptr;
    uint32_t m_nBlockBytes = 0;
    uint32_t m_nRingBytes = 0;
    std::atomic<uint32_t> m_nFilledEnd{0};
    std::atomic<uint32_t> m_nReadPos{0};
    std::atomic<uint32_t> m_nQueueEnd{0};
    // Per block: the bytes it came back with, or kWithDevice while the device holds it. The filled
    // end passes a block only once it came back, whatever order the device hands headers back in.
    std::atomic<uint32_t> m_nRecorded[kRingBlocks] = {};
    CHandOff<void, kDeviceHeaders> m_HandOff; // holds every header: the callback never drops one
    void* m_pSpare[kDeviceHeaders] = {};      // refused by the device; offered again first
    std::atomic<uint32_t> m_nSpare{0};
    // Headers given to the device and headers it handed back: equal once it holds none.
    std::atomic<uint32_t> m_nAdded{0};
    std::atomic<uint32_t> m_nReturned{0};
    // Signs of a working device: audio came back, or it was given a header while it held none (after
    // a full ring). Counted, not timed: the callback may not call the clock.
    std::atomic<uint32_t> m_nProgress{0};
    uint32_t m_nSeenProgress = 0; // the worker's: the count and when it last changed
    uint32_t m_nSeenMs = 0;
};
