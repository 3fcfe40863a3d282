#include "WaveIn.h"

#include <new>

namespace {
constexpr UINT kHeaderBytes = sizeof(WAVEHDR);
constexpr DWORD kDrainTimeoutMs = 1000;
constexpr DWORD kStallMs = 3000;      // longer than the 8 headers' two seconds of audio
constexpr DWORD kRetryMs = 100;       // how soon a refused header is offered again
constexpr uint32_t kWithDevice = ~0u; // the block's header has not come back yet
} // namespace

WAVEFORMATEX PcmCaptureFormat(int32_t channels, int32_t sampleRate) {
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(sampleRate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(channels * 2);
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    format.cbSize = 0;
    return format;
}

CWaveIn* CWaveIn::Create(UINT deviceIndex, const WAVEFORMATEX* format) {
    auto* waveIn = new (std::nothrow) CWaveIn;
    if (!waveIn)
        return nullptr;
    if (!waveIn->Open(deviceIndex, format)) {
        waveIn->Close();
        return nullptr;
    }
    return waveIn;
}

int CWaveIn::Open(UINT deviceIndex, const WAVEFORMATEX* format) {
    m_hWaveIn = nullptr;
    m_nBlockBytes = CaptureBlockBytes(format->nBlockAlign, format->nAvgBytesPerSec);
    if (m_nBlockBytes == 0)
        return 0;
    m_pRing = static_cast<uint8_t*>(m_Blocks.Alloc(size_t{kRingBlocks} * m_nBlockBytes));
    if (!m_pRing)
        return 0;
    m_nRingBytes = kRingBlocks * m_nBlockBytes;
    m_nSlotBytes = m_nBlockBytes;
    m_nFilledEnd = 0;
    m_nQueueEnd = 0;
    m_nReadPos = (kRingBlocks - 1) * m_nBlockBytes; // held back: the device may not have it
    m_hFeedEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_hDataEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_hReturnEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!m_hFeedEvent || !m_hDataEvent || !m_hReturnEvent)
        return 0;
    if (waveInOpen(&m_hWaveIn, deviceIndex, format, reinterpret_cast<DWORD_PTR>(&WaveInProc),
                   reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
        m_hWaveIn = nullptr;
        return 0;
    }
    waveInReset(m_hWaveIn);
    // A device that refuses its first buffers cannot record: the start fails instead.
    for (WAVEHDR& header : m_Headers)
        if (!HasFreeBlock() || !QueueOnFreeBlock(&header))
            return 0;
    m_hFeeder = CreateThread(nullptr, 0, FeederThread, this, 0, nullptr);
    return m_hFeeder != nullptr;
}

// Before the worker starts, which then owns the stall watch.
int CWaveIn::Start() {
    m_nSeenProgress = m_nProgress.load(std::memory_order_relaxed);
    m_dwSeenTick = GetTickCount();
    return m_hWaveIn && waveInStart(m_hWaveIn) == MMSYSERR_NOERROR;
}

void CWaveIn::Close() {
    DrainDevice();
    if (m_hWaveIn) {
        int unprepared = 1;
        for (WAVEHDR& header : m_Headers)
            if (waveInUnprepareHeader(m_hWaveIn, &header, kHeaderBytes) != MMSYSERR_NOERROR)
                unprepared = 0;
        // A device that still holds a header may yet record into the ring and call back with this
        // object: the ring, the headers, the events and the object itself are kept for the rest of
        // the process rather than handed to the device freed.
        if (!unprepared || waveInClose(m_hWaveIn) != MMSYSERR_NOERROR)
            return;
        m_hWaveIn = nullptr;
    }
    ReleaseAll();
}

void CWaveIn::ReleaseAll() {
    for (HANDLE* event : {&m_hFeedEvent, &m_hDataEvent, &m_hReturnEvent}) {
        if (*event)
            CloseHandle(*event);
        *event = nullptr;
    }
    m_Blocks.FreeAll();
    m_pRing = nullptr;
    delete this;
}

// Without the feeder nothing is queued again, so the headers out can only come back. The wait is
// bounded so that a device that keeps a header cannot hang the stop.
void CWaveIn::DrainDevice() {
    EndFeeder();
    if (!m_hWaveIn)
        return;
    waveInStop(m_hWaveIn);
    waveInReset(m_hWaveIn);
    const DWORD startMs = GetTickCount();
    while (m_nReturned.load(std::memory_order_acquire) != m_nAdded.load(std::memory_order_relaxed)) {
        const DWORD waitedMs = GetTickCount() - startMs;
        if (waitedMs >= kDrainTimeoutMs)
            break;
        WaitForSingleObject(m_hReturnEvent, kDrainTimeoutMs - waitedMs);
    }
}

int CWaveIn::DeviceStalled(DWORD nowTick) {
    const uint32_t progress = m_nProgress.load(std::memory_order_relaxed);
    const uint32_t held =
        m_nAdded.load(std::memory_order_relaxed) - m_nReturned.load(std::memory_order_relaxed);
    if (progress != m_nSeenProgress || (held == 0 && m_nSpare.load(std::memory_order_relaxed) == 0)) {
        m_nSeenProgress = progress;
        m_dwSeenTick = nowTick;
        return 0;
    }
    return nowTick - m_dwSeenTick >= kStallMs;
}

void CWaveIn::EndFeeder() {
    if (!m_hFeeder)
        return;
    m_bEndFeeder.store(1, std::memory_order_release);
    SetEvent(m_hFeedEvent);
    WaitForSingleObject(m_hFeeder, INFINITE);
    CloseHandle(m_hFeeder);
    m_hFeeder = nullptr;
}

int CWaveIn::HasFreeBlock() const {
    return m_nQueueEnd.load(std::memory_order_relaxed) != m_nReadPos.load(std::memory_order_acquire);
}

// Only the open step (before the device starts) and the feeder call this: m_nQueueEnd's writers.
// 0 when the device refused the header; its block then counts as come back empty.
int CWaveIn::QueueOnFreeBlock(WAVEHDR* header) {
    const uint32_t queueEnd = m_nQueueEnd.load(std::memory_order_relaxed);
    std::atomic<uint32_t>& recorded = m_nRecorded[queueEnd / m_nSlotBytes];
    // The data pointer may change only while the header is unprepared.
    waveInUnprepareHeader(m_hWaveIn, header, kHeaderBytes);
    header->lpData = reinterpret_cast<LPSTR>(m_pRing + queueEnd);
    header->dwBufferLength = m_nBlockBytes;
    header->dwFlags = 0;
    header->dwLoops = 0;
    waveInPrepareHeader(m_hWaveIn, header, kHeaderBytes);
    recorded.store(kWithDevice, std::memory_order_relaxed);
    // Advanced before the device has the header, so its completion always finds the block counted.
    m_nQueueEnd.store(NextSlot(queueEnd, m_nSlotBytes, m_nRingBytes), std::memory_order_release);
    const uint32_t held =
        m_nAdded.fetch_add(1, std::memory_order_relaxed) - m_nReturned.load(std::memory_order_acquire);
    if (held == 0)
        m_nProgress.fetch_add(1, std::memory_order_relaxed); // a starved device starts again
    if (waveInAddBuffer(m_hWaveIn, header, kHeaderBytes) == MMSYSERR_NOERROR)
        return 1;
    m_nAdded.fetch_sub(1, std::memory_order_relaxed); // never comes back: not waited for
    recorded.store(0, std::memory_order_release);     // nothing was recorded into it
    return 0;
}

void CALLBACK CWaveIn::WaveInProc(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
    if (message == WIM_DATA)
        reinterpret_cast<CWaveIn*>(instance)->OnHeaderBack(reinterpret_cast<WAVEHDR*>(param1));
}

// The header's own data pointer tells which block came back. Only what the device says it recorded
// in this pass counts: a header back with an error (no done flag) holds nothing usable.
void CWaveIn::OnHeaderBack(WAVEHDR* header) {
    const uintptr_t offset =
        reinterpret_cast<uintptr_t>(header->lpData) - reinterpret_cast<uintptr_t>(m_pRing);
    if (offset < m_nRingBytes && offset % m_nSlotBytes == 0) {
        uint32_t bytes = (header->dwFlags & WHDR_DONE) ? header->dwBytesRecorded : 0;
        if (bytes > m_nBlockBytes)
            bytes = m_nBlockBytes;
        m_nRecorded[offset / m_nSlotBytes].store(bytes, std::memory_order_release);
        if (bytes > 0)
            m_nProgress.fetch_add(1, std::memory_order_relaxed);
        AdvanceFilledEnd();
        // Every header goes back to the device: one dropped here would never return. After a stop
        // the feeder has ended and nothing is queued again.
        m_HandOff.Push(header);
        SetEvent(m_hFeedEvent);
        SetEvent(m_hDataEvent);
    }
    // Counted last: once the drain sees it, the block is marked filled.
    m_nReturned.fetch_add(1, std::memory_order_release);
    SetEvent(m_hReturnEvent);
}

// The filled end passes every block that came back, in ring order, and stops at the first the
// device still holds.
void CWaveIn::AdvanceFilledEnd() {
    uint32_t end = m_nFilledEnd.load(std::memory_order_relaxed);
    const uint32_t queueEnd = m_nQueueEnd.load(std::memory_order_acquire);
    while (end != queueEnd && m_nRecorded[end / m_nSlotBytes].load(std::memory_order_acquire) != kWithDevice)
        end = NextSlot(end, m_nSlotBytes, m_nRingBytes);
    m_nFilledEnd.store(end, std::memory_order_release);
}

DWORD WINAPI CWaveIn::FeederThread(LPVOID self) {
    static_cast<CWaveIn*>(self)->Feed();
    return 0;
}

// Refused headers are offered again now and then, so a device that recovers gets them back.
void CWaveIn::Feed() {
    for (;;) {
        const DWORD waitMs = m_nSpare.load(std::memory_order_relaxed) ? kRetryMs : INFINITE;
        WaitForSingleObject(m_hFeedEvent, waitMs);
        if (m_bEndFeeder.load(std::memory_order_acquire))
            return;
        QueueWaitingHeaders();
    }
}

// A header that finds no free block stays waiting until the worker frees one (ReleaseFilled signals
// the event), so no header is lost for good and the order is kept; refused ones go first.
void CWaveIn::QueueWaitingHeaders() {
    while (HasFreeBlock()) {
        WAVEHDR* header = nullptr;
        uint32_t spare = m_nSpare.load(std::memory_order_relaxed);
        if (spare) {
            header = m_pSpare[0];
            for (uint32_t i = 1; i < spare; ++i)
                m_pSpare[i - 1] = m_pSpare[i];
            m_nSpare.store(--spare, std::memory_order_relaxed);
        } else if ((header = m_HandOff.Peek())) {
            m_HandOff.Pop();
        } else {
            return;
        }
        if (!QueueOnFreeBlock(header)) {
            m_pSpare[spare] = header;
            m_nSpare.store(spare + 1, std::memory_order_relaxed);
            return; // offered again after kRetryMs
        }
    }
}

SFilledBlock CWaveIn::TakeFilled() const {
    const uint32_t next = NextSlot(m_nReadPos.load(std::memory_order_relaxed), m_nSlotBytes, m_nRingBytes);
    if (next == m_nFilledEnd.load(std::memory_order_acquire))
        return {nullptr, 0};
    return {m_pRing + next, m_nRecorded[next / m_nSlotBytes].load(std::memory_order_acquire)};
}

void CWaveIn::ReleaseFilled() {
    const uint32_t next = NextSlot(m_nReadPos.load(std::memory_order_relaxed), m_nSlotBytes, m_nRingBytes);
    m_nReadPos.store(next, std::memory_order_release);
    SetEvent(m_hFeedEvent);
}

void CWaveIn::WaitForData(DWORD timeoutMs) {
    WaitForSingleObject(m_hDataEvent, timeoutMs);
}

void CWaveIn::WakeReader() {
    SetEvent(m_hDataEvent);
}

CWaveIn::Cursors CWaveIn::GetCursors() const {
    return {m_nFilledEnd.load(std::memory_order_acquire), m_nReadPos.load(std::memory_order_acquire),
            m_nQueueEnd.load(std::memory_order_acquire)};
}
