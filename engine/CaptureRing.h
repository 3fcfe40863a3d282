// The capture ring's block protocol without the device: which block each header is given, what came
// back into each block, the worker's read cursor, the headers waiting to go back to the device, and
// whether the device still delivers. CWaveIn puts the wave-input calls around it.
//
// Threads and what each writes (one writer per cursor; stores release, loads acquire, so a block's
// data is visible before the cursor that hands it over):
// - the device's callback: HeaderBack, CountReturned (m_nFilledEnd, m_nReturned, m_nAudioBacks, the
//   recorded count of a block that came back, the hand-off's tail).
// - the feeder, and the open step before the device starts: Queue, QueueWaiting, EndLossWatch
//   (m_nQueueEnd, m_nAdded, the spare headers, the hand-off's head, the loss watch).
// - the job's worker: TakeFilled, ReleaseFilled, Stalled (m_nReadPos and the stall watch, which
//   StartWatch sets before the worker starts).
// The callback side may be entered from two threads at once (a reset's returns on the caller's thread
// while the driver's thread completes a header): CWaveIn serialises it. Headers are the device's own
// records; the ring only keeps their addresses. Times are milliseconds
// of a clock the caller chooses (one that stands still while the computer sleeps), wrapping at 2^32.
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

    static constexpr uint32_t kStallMs = 3000;       // longer than the queued headers' two seconds
    static constexpr uint32_t kFirstAudioMs = 10000; // Bluetooth headsets switch profile first
    static constexpr uint32_t kRetryMs = 100;        // a refused or empty header waits this long

    // ring holds kRingBlocks blocks of blockBytes. The last block is held back: the worker's.
    void Init(uint8_t* ring, uint32_t blockBytes);
    // The next free block for this header; 0 when none is free or the device refused the header,
    // whose block then counts as come back empty.
    int Queue(void* header, AddFn add, void* context);
    // Gives the waiting headers back to the device in the order they came back, while blocks are
    // free. One that the device refused or handed back empty waits kRetryMs first, so a device that
    // does either at once is not kept spinning.
    void QueueWaiting(AddFn add, void* context, uint32_t nowMs);
    int HasSpare() const { return m_nSpare.load(std::memory_order_relaxed) != 0; }
    // Audio the device could not record because the ring was full and it held no header: the time it
    // went without, a period still going on included. Any thread.
    uint32_t LostMs(uint32_t nowMs) const;
    // The capture ends: a period without headers still going on is counted up to now.
    void EndLossWatch(uint32_t nowMs);

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
    // Worker side: 1 when no audio came back for kStallMs (kFirstAudioMs before the first) while the
    // ring had a free block: the device keeps its headers, refuses them or hands them back empty, as
    // an unplugged or failed device does. A full ring (a stalled disk) starves the device of headers
    // through no fault of its own, so that time is not counted.
    void StartWatch(uint32_t nowMs);
    int Stalled(uint32_t nowMs);

  private:
    struct SReturned {
        void* header;
        bool empty; // recorded nothing: goes back to the device only after kRetryMs
    };
    struct SSpare {
        void* header;
        uint32_t sinceMs;
    };

    int HasFreeBlock() const;
    void QueueFree(AddFn add, void* context, uint32_t nowMs);
    void WatchLoss(uint32_t nowMs);
    uint32_t NextBlock(uint32_t pos) const { return NextSlot(pos, m_nBlockBytes, m_nRingBytes); }
    void AdvanceFilledEnd();
    void Park(void* header, uint32_t nowMs);
    void* TakeDueSpare(uint32_t nowMs);

    uint8_t* m_pRing = nullptr;
    uint32_t m_nBlockBytes = 0;
    uint32_t m_nRingBytes = 0;
    std::atomic<uint32_t> m_nFilledEnd{0};
    std::atomic<uint32_t> m_nReadPos{0};
    std::atomic<uint32_t> m_nQueueEnd{0};
    // Per block: the bytes it came back with, or kWithDevice while the device holds it. The filled
    // end passes a block only once it came back, whatever order the device hands headers back in.
    std::atomic<uint32_t> m_nRecorded[kRingBlocks] = {};
    CHandOff<SReturned, kDeviceHeaders> m_HandOff; // holds every header: the callback never drops one
    SSpare m_Spare[kDeviceHeaders] = {};           // refused or empty, oldest first
    std::atomic<uint32_t> m_nSpare{0};
    // Headers given to the device and headers it handed back: equal once it holds none.
    std::atomic<uint32_t> m_nAdded{0};
    std::atomic<uint32_t> m_nReturned{0};
    // Returns that brought audio: the only sign of a working device. Counted, not timed: the
    // callback may not call the clock.
    std::atomic<uint32_t> m_nAudioBacks{0};
    // The worker's stall watch: the count last seen, when it last changed, whether any audio came,
    // and whether the worker found the ring full (the device may have starved behind it since).
    uint32_t m_nSeenAudioBacks = 0;
    uint32_t m_nSeenMs = 0;
    bool m_bHadAudio = false;
    bool m_bRingWasFull = false;
    // The feeder's loss watch: the periods that ended, and the start of one going on (kNotStarved when
    // none), read by any thread.
    static constexpr uint64_t kNotStarved = ~uint64_t{0};
    std::atomic<uint32_t> m_nLostMs{0};
    std::atomic<uint64_t> m_nStarvedSinceMs{kNotStarved};
};
