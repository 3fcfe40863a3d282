#include "WaveIn.h"

#include <new>

namespace {
constexpr UINT kHeaderBytes = sizeof(WAVEHDR);
constexpr DWORD kDrainTimeoutMs = 1000;
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
    m_hReturnEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!m_hFeedEvent || !m_hReturnEvent)
        return 0;
    if (waveInOpen(&m_hWaveIn, deviceIndex, format, reinterpret_cast<DWORD_PTR>(&WaveInProc),
                   reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
        m_hWaveIn = nullptr;
        return 0;
    }
    waveInReset(m_hWaveIn);
    for (WAVEHDR& header : m_Headers) {
        if (!HasFreeBlock())
            return 0;
        QueueOnFreeBlock(&header);
    }
    m_hFeeder = CreateThread(nullptr, 0, FeederThread, this, 0, nullptr);
    return m_hFeeder != nullptr;
}

void CWaveIn::Close() {
    DrainDevice();
    if (m_hWaveIn) {
        // Every header is back (the reset's are short, so the callback ignores them); only the
        // unprepare and the close touch the device after that.
        for (WAVEHDR& header : m_Headers)
            waveInUnprepareHeader(m_hWaveIn, &header, kHeaderBytes);
        waveInClose(m_hWaveIn);
        m_hWaveIn = nullptr;
    }
    if (m_hFeedEvent)
        CloseHandle(m_hFeedEvent);
    m_hFeedEvent = nullptr;
    if (m_hReturnEvent)
        CloseHandle(m_hReturnEvent);
    m_hReturnEvent = nullptr;
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
void CWaveIn::QueueOnFreeBlock(WAVEHDR* header) {
    const uint32_t queueEnd = m_nQueueEnd.load(std::memory_order_relaxed);
    // The data pointer may change only while the header is unprepared.
    waveInUnprepareHeader(m_hWaveIn, header, kHeaderBytes);
    header->lpData = reinterpret_cast<LPSTR>(m_pRing + queueEnd);
    header->dwBufferLength = m_nBlockBytes;
    header->dwFlags = 0;
    header->dwLoops = 0;
    waveInPrepareHeader(m_hWaveIn, header, kHeaderBytes);
    // Advanced before the device has the header, so its completion always finds the block counted.
    m_nQueueEnd.store(NextSlot(queueEnd, m_nSlotBytes, m_nRingBytes), std::memory_order_release);
    // Counted before the device has it, so its return never finds the count behind.
    m_nAdded.fetch_add(1, std::memory_order_relaxed);
    if (waveInAddBuffer(m_hWaveIn, header, kHeaderBytes) != MMSYSERR_NOERROR)
        m_nAdded.fetch_sub(1, std::memory_order_relaxed); // never comes back: not waited for
}

void CALLBACK CWaveIn::WaveInProc(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
    if (message != WIM_DATA)
        return;
    auto* self = reinterpret_cast<CWaveIn*>(instance);
    auto* header = reinterpret_cast<WAVEHDR*>(param1);
    // Short headers come back only from a stop or a reset: their audio is incomplete.
    if ((header->dwFlags & WHDR_DONE) && header->dwBytesRecorded == self->m_nBlockBytes)
        self->OnBlockDone(header);
    // Counted last: once the drain sees it, the block is marked filled.
    self->m_nReturned.fetch_add(1, std::memory_order_release);
    SetEvent(self->m_hReturnEvent);
}

// The device completes headers in queue order, so the block just filled is the one at m_nFilledEnd.
void CWaveIn::OnBlockDone(WAVEHDR* header) {
    const uint32_t filledEnd = m_nFilledEnd.load(std::memory_order_relaxed);
    if (filledEnd != m_nQueueEnd.load(std::memory_order_acquire))
        m_nFilledEnd.store(NextSlot(filledEnd, m_nSlotBytes, m_nRingBytes), std::memory_order_release);
    m_HandOff.Push(header);
    SetEvent(m_hFeedEvent);
}

DWORD WINAPI CWaveIn::FeederThread(LPVOID self) {
    static_cast<CWaveIn*>(self)->Feed();
    return 0;
}

// A header that finds no free block stays at the head of the hand-off until the worker frees one
// (ReleaseFilled signals the event), so no header is lost for good and the order is kept.
void CWaveIn::Feed() {
    while (WaitForSingleObject(m_hFeedEvent, INFINITE) == WAIT_OBJECT_0 &&
           !m_bEndFeeder.load(std::memory_order_acquire)) {
        while (WAVEHDR* header = m_HandOff.Peek()) {
            if (!HasFreeBlock())
                break;
            m_HandOff.Pop();
            QueueOnFreeBlock(header);
        }
    }
}

const uint8_t* CWaveIn::TakeFilled() const {
    const uint32_t next = NextSlot(m_nReadPos.load(std::memory_order_relaxed), m_nSlotBytes, m_nRingBytes);
    if (next == m_nFilledEnd.load(std::memory_order_acquire))
        return nullptr;
    return m_pRing + next;
}

void CWaveIn::ReleaseFilled() {
    const uint32_t next = NextSlot(m_nReadPos.load(std::memory_order_relaxed), m_nSlotBytes, m_nRingBytes);
    m_nReadPos.store(next, std::memory_order_release);
    SetEvent(m_hFeedEvent);
}

CWaveIn::Cursors CWaveIn::GetCursors() const {
    return {m_nFilledEnd.load(std::memory_order_acquire), m_nReadPos.load(std::memory_order_acquire),
            m_nQueueEnd.load(std::memory_order_acquire)};
}
