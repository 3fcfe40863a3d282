#include "CaptureRing.h"

namespace {
constexpr uint32_t kWithDevice = ~0u; // the block's header has not come back yet
} // namespace

void CCaptureRing::Init(uint8_t* ring, uint32_t blockBytes) {
    m_pRing = ring;
    m_nBlockBytes = blockBytes;
    m_nRingBytes = kRingBlocks * blockBytes;
    m_nFilledEnd = 0;
    m_nQueueEnd = 0;
    m_nReadPos = (kRingBlocks - 1) * blockBytes; // held back: the device may not have it
}

int CCaptureRing::HasFreeBlock() const {
    return m_nQueueEnd.load(std::memory_order_relaxed) != m_nReadPos.load(std::memory_order_acquire);
}

int CCaptureRing::Queue(void* header, AddFn add, void* context) {
    if (!HasFreeBlock())
        return 0;
    const uint32_t queueEnd = m_nQueueEnd.load(std::memory_order_relaxed);
    std::atomic<uint32_t>& recorded = m_nRecorded[queueEnd / m_nBlockBytes];
    recorded.store(kWithDevice, std::memory_order_relaxed);
    // Advanced before the device has the header, so its completion always finds the block counted.
    m_nQueueEnd.store(NextBlock(queueEnd), std::memory_order_release);
    m_nAdded.fetch_add(1, std::memory_order_relaxed);
    if (add(context, header, m_pRing + queueEnd))
        return 1;
    m_nAdded.fetch_sub(1, std::memory_order_relaxed); // never comes back: not waited for
    recorded.store(0, std::memory_order_release);     // nothing was recorded into it
    return 0;
}

void CCaptureRing::Park(void* header, uint32_t nowMs) {
    const uint32_t spare = m_nSpare.load(std::memory_order_relaxed);
    m_Spare[spare] = {header, nowMs};
    m_nSpare.store(spare + 1, std::memory_order_relaxed);
}

void* CCaptureRing::TakeDueSpare(uint32_t nowMs) {
    const uint32_t spare = m_nSpare.load(std::memory_order_relaxed);
    if (spare == 0 || nowMs - m_Spare[0].sinceMs < kRetryMs)
        return nullptr;
    void* header = m_Spare[0].header;
    for (uint32_t i = 1; i < spare; ++i)
        m_Spare[i - 1] = m_Spare[i];
    m_nSpare.store(spare - 1, std::memory_order_relaxed);
    return header;
}

// A header that finds no free block stays waiting until the worker frees one, so no header is lost
// for good. Blocks go to the device in ring order whichever header takes them.
void CCaptureRing::QueueWaiting(AddFn add, void* context, uint32_t nowMs) {
    QueueFree(add, context, nowMs);
    WatchLoss(nowMs);
}

void CCaptureRing::QueueFree(AddFn add, void* context, uint32_t nowMs) {
    while (HasFreeBlock()) {
        void* header = TakeDueSpare(nowMs);
        if (!header) {
            const SReturned* back = m_HandOff.Peek();
            if (!back)
                return;
            const SReturned item = *back;
            m_HandOff.Pop();
            if (item.empty) {
                Park(item.header, nowMs);
                continue;
            }
            header = item.header;
        }
        if (!Queue(header, add, context)) {
            Park(header, nowMs);
            return;
        }
    }
}

// The device records only into the headers it holds: with none, and none to give it because the
// worker has not freed a block, what comes in is lost. The feeder sees both as they change (a header
// back, a block freed), so the period is timed to within its wake-up.
void CCaptureRing::WatchLoss(uint32_t nowMs) {
    const bool starved =
        m_nReturned.load(std::memory_order_acquire) == m_nAdded.load(std::memory_order_relaxed) &&
        !HasFreeBlock();
    const uint64_t since = m_nStarvedSinceMs.load(std::memory_order_relaxed);
    if (starved && since == kNotStarved)
        m_nStarvedSinceMs.store(nowMs, std::memory_order_relaxed);
    else if (!starved && since != kNotStarved)
        EndLossWatch(nowMs);
}

// Cleared before it is added: a reader in between misses the period for a moment rather than
// counting it twice.
void CCaptureRing::EndLossWatch(uint32_t nowMs) {
    const uint64_t since = m_nStarvedSinceMs.exchange(kNotStarved, std::memory_order_relaxed);
    if (since != kNotStarved)
        m_nLostMs.fetch_add(nowMs - static_cast<uint32_t>(since), std::memory_order_relaxed);
}

uint32_t CCaptureRing::LostMs(uint32_t nowMs) const {
    const uint64_t since = m_nStarvedSinceMs.load(std::memory_order_relaxed);
    const uint32_t going = since == kNotStarved ? 0 : nowMs - static_cast<uint32_t>(since);
    return m_nLostMs.load(std::memory_order_relaxed) + going;
}

// Only what the device says it recorded in this pass counts: a header back with an error (no done
// flag) holds nothing usable. Every header goes back to the device: one dropped here would never
// return.
int CCaptureRing::HeaderBack(void* header, const void* data, uint32_t bytesRecorded, int done) {
    const uintptr_t offset = reinterpret_cast<uintptr_t>(data) - reinterpret_cast<uintptr_t>(m_pRing);
    if (offset >= m_nRingBytes || offset % m_nBlockBytes != 0)
        return 0;
    uint32_t bytes = done ? bytesRecorded : 0;
    if (bytes > m_nBlockBytes)
        bytes = m_nBlockBytes;
    m_nRecorded[offset / m_nBlockBytes].store(bytes, std::memory_order_release);
    if (bytes > 0)
        m_nAudioBacks.fetch_add(1, std::memory_order_relaxed);
    AdvanceFilledEnd();
    m_HandOff.Push({header, bytes == 0});
    return 1;
}

// The filled end passes every block that came back, in ring order, and stops at the first the
// device still holds: the worker never takes that one. Callbacks come here one at a time.
void CCaptureRing::AdvanceFilledEnd() {
    uint32_t end = m_nFilledEnd.load(std::memory_order_relaxed);
    const uint32_t queueEnd = m_nQueueEnd.load(std::memory_order_acquire);
    while (end != queueEnd && m_nRecorded[end / m_nBlockBytes].load(std::memory_order_acquire) != kWithDevice)
        end = NextBlock(end);
    m_nFilledEnd.store(end, std::memory_order_release);
}

SFilledBlock CCaptureRing::TakeFilled() const {
    const uint32_t next = NextBlock(m_nReadPos.load(std::memory_order_relaxed));
    if (next == m_nFilledEnd.load(std::memory_order_acquire))
        return {nullptr, 0};
    return {m_pRing + next, m_nRecorded[next / m_nBlockBytes].load(std::memory_order_acquire)};
}

void CCaptureRing::ReleaseFilled() {
    if (!HasFreeBlock())
        m_bRingWasFull = true;
    m_nReadPos.store(NextBlock(m_nReadPos.load(std::memory_order_relaxed)), std::memory_order_release);
}

void CCaptureRing::StartWatch(uint32_t nowMs) {
    m_nSeenAudioBacks = m_nAudioBacks.load(std::memory_order_relaxed);
    m_nSeenMs = nowMs;
    m_bHadAudio = false;
    m_bRingWasFull = false;
}

int CCaptureRing::Stalled(uint32_t nowMs) {
    const uint32_t audioBacks = m_nAudioBacks.load(std::memory_order_relaxed);
    if (audioBacks != m_nSeenAudioBacks || m_bRingWasFull) {
        m_bHadAudio = m_bHadAudio || audioBacks != m_nSeenAudioBacks;
        m_nSeenAudioBacks = audioBacks;
        m_nSeenMs = nowMs;
        m_bRingWasFull = false;
        return 0;
    }
    return nowMs - m_nSeenMs >= (m_bHadAudio ? kStallMs : kFirstAudioMs);
}
