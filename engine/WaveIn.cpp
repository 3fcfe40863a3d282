#include "WaveIn.h"

#include <new>

namespace {
constexpr UINT kHeaderBytes = sizeof(WAVEHDR);
constexpr DWORD kDrainTimeoutMs = 1000;
constexpr DWORD kCloseRetryMs = 100;
constexpr int kCloseTries = 50; // a device that refuses to close for 5 s more is kept

// Milliseconds the computer was awake: unlike the tick count, this clock stands still in sleep and
// hibernation.
uint32_t AwakeMs() {
    ULONGLONG hundredNs = 0;
    QueryUnbiasedInterruptTime(&hundredNs);
    return static_cast<uint32_t>(hundredNs / 10000);
}
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

CWaveIn* CWaveIn::Create(UINT deviceIndex, const WAVEFORMATEX* format, MMRESULT* error) {
    auto* waveIn = new (std::nothrow) CWaveIn;
    *error = MMSYSERR_NOMEM;
    if (!waveIn)
        return nullptr;
    *error = waveIn->Open(deviceIndex, format);
    if (*error != MMSYSERR_NOERROR) {
        waveIn->Close();
        return nullptr;
    }
    return waveIn;
}

MMRESULT CWaveIn::Open(UINT deviceIndex, const WAVEFORMATEX* format) {
    m_hWaveIn = nullptr;
    m_nBlockBytes = CaptureBlockBytes(format->nBlockAlign, format->nAvgBytesPerSec);
    if (m_nBlockBytes == 0)
        return WAVERR_BADFORMAT;
    auto* ring = static_cast<uint8_t*>(m_Blocks.Alloc(size_t{kRingBlocks} * m_nBlockBytes));
    if (!ring)
        return MMSYSERR_NOMEM;
    m_Ring.Init(ring, m_nBlockBytes);
    InitializeCriticalSection(&m_Callback);
    m_bCallbackLock = true;
    m_hFeedEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_hDataEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_hReturnEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!m_hFeedEvent || !m_hDataEvent || !m_hReturnEvent)
        return MMSYSERR_NOMEM;
    const MMRESULT opened =
        waveInOpen(&m_hWaveIn, deviceIndex, format, reinterpret_cast<DWORD_PTR>(&WaveInProc),
                   reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    if (opened != MMSYSERR_NOERROR) {
        m_hWaveIn = nullptr;
        return opened;
    }
    waveInReset(m_hWaveIn);
    // A device that refuses its first buffers cannot record: the start fails instead.
    for (WAVEHDR& header : m_Headers)
        if (!m_Ring.Queue(&header, AddToDevice, this))
            return MMSYSERR_ERROR;
    m_hFeeder = CreateThread(nullptr, 0, FeederThread, this, 0, nullptr);
    return m_hFeeder ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
}

// Before the worker starts, which then owns the stall watch.
MMRESULT CWaveIn::Start() {
    m_Ring.StartWatch(AwakeMs());
    return m_hWaveIn ? waveInStart(m_hWaveIn) : MMSYSERR_INVALHANDLE;
}

int CWaveIn::DeviceStalled() {
    return m_Ring.Stalled(AwakeMs());
}

uint32_t CWaveIn::LostMs() const {
    return m_Ring.LostMs(AwakeMs());
}

// A header still out, or a callback still running, may yet touch the ring and this object: nothing is
// freed under them. The closing thread waits for them; without one, everything is kept for the rest
// of the process rather than handed to the device freed.
void CWaveIn::Close() {
    DrainDevice();
    if (m_Ring.AllBack() && m_nInCallback.load() == 0 && CloseDevice()) {
        ReleaseAll();
        return;
    }
    if (HANDLE closing = CreateThread(nullptr, 0, ClosingThread, this, 0, nullptr))
        CloseHandle(closing);
}

// 1 once the device is closed. A header whose unprepare fails stays prepared and is tried again:
// the device may still own it.
int CWaveIn::CloseDevice() {
    if (!m_hWaveIn)
        return 1;
    int unprepared = 1;
    for (WAVEHDR& header : m_Headers)
        if (header.dwFlags & WHDR_PREPARED &&
            waveInUnprepareHeader(m_hWaveIn, &header, kHeaderBytes) != MMSYSERR_NOERROR)
            unprepared = 0;
    if (!unprepared || waveInClose(m_hWaveIn) != MMSYSERR_NOERROR)
        return 0;
    m_hWaveIn = nullptr;
    return 1;
}

DWORD WINAPI CWaveIn::ClosingThread(LPVOID self) {
    auto* waveIn = static_cast<CWaveIn*>(self);
    for (int tries = 0; tries < kCloseTries;) {
        const bool allBack = waveIn->m_Ring.AllBack();
        if (!allBack || waveIn->m_nInCallback.load() != 0) {
            WaitForSingleObject(waveIn->m_hReturnEvent, allBack ? 1 : INFINITE);
            continue;
        }
        if (waveIn->CloseDevice()) {
            waveIn->ReleaseAll();
            return 0;
        }
        ++tries;
        Sleep(kCloseRetryMs);
    }
    return 0;
}

void CWaveIn::ReleaseAll() {
    for (HANDLE* event : {&m_hFeedEvent, &m_hDataEvent, &m_hReturnEvent}) {
        if (*event)
            CloseHandle(*event);
        *event = nullptr;
    }
    if (m_bCallbackLock)
        DeleteCriticalSection(&m_Callback);
    m_Blocks.FreeAll();
    delete this;
}

// Without the feeder nothing is queued again, so the headers out can only come back. The wait is
// bounded so that a device that keeps a header cannot hang the stop. Once every header is counted
// back, a callback may still be between its count and its last line: that takes a moment only.
void CWaveIn::DrainDevice() {
    EndFeeder();
    m_Ring.EndLossWatch(AwakeMs());
    if (!m_hWaveIn)
        return;
    waveInStop(m_hWaveIn);
    waveInReset(m_hWaveIn);
    const DWORD startMs = AwakeMs();
    for (;;) {
        const bool allBack = m_Ring.AllBack();
        if (allBack && m_nInCallback.load() == 0)
            return;
        const DWORD waitedMs = AwakeMs() - startMs;
        if (waitedMs >= kDrainTimeoutMs)
            return;
        WaitForSingleObject(m_hReturnEvent, allBack ? 1 : kDrainTimeoutMs - waitedMs);
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

// Only the open step (before the device starts) and the feeder add headers. The data pointer may
// change only while the header is unprepared: one whose unprepare fails is not prepared over, but
// waits to be tried again. The recorded count starts at 0, so a header handed back unfilled (after a
// reset) brings no stale count of an earlier pass.
int CWaveIn::AddToDevice(void* self, void* header, uint8_t* block) {
    const HWAVEIN device = static_cast<CWaveIn*>(self)->m_hWaveIn;
    auto* h = static_cast<WAVEHDR*>(header);
    if (h->dwFlags & WHDR_PREPARED && waveInUnprepareHeader(device, h, kHeaderBytes) != MMSYSERR_NOERROR)
        return 0;
    h->lpData = reinterpret_cast<LPSTR>(block);
    h->dwBufferLength = static_cast<CWaveIn*>(self)->m_nBlockBytes;
    h->dwBytesRecorded = 0;
    h->dwFlags = 0;
    h->dwLoops = 0;
    if (waveInPrepareHeader(device, h, kHeaderBytes) != MMSYSERR_NOERROR)
        return 0;
    return waveInAddBuffer(device, h, kHeaderBytes) == MMSYSERR_NOERROR;
}

// Other messages (open, close) come while the object may be half made or about to be freed: they
// touch nothing.
void CALLBACK CWaveIn::WaveInProc(HWAVEIN, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
    if (message == WIM_DATA)
        reinterpret_cast<CWaveIn*>(instance)->OnHeaderBack(reinterpret_cast<WAVEHDR*>(param1));
}

// The count of callbacks in flight is the first and the last thing touched: the drain frees the
// object only once every header is counted back and no callback is between these lines.
// The header is counted back before the feeder is woken, so the feeder sees a device left without
// headers.
void CWaveIn::OnHeaderBack(WAVEHDR* header) {
    m_nInCallback.fetch_add(1);
    EnterCriticalSection(&m_Callback);
    const int ours =
        m_Ring.HeaderBack(header, header->lpData, header->dwBytesRecorded, header->dwFlags & WHDR_DONE);
    m_Ring.CountReturned();
    LeaveCriticalSection(&m_Callback);
    if (ours) {
        SetEvent(m_hFeedEvent);
        SetEvent(m_hDataEvent);
    }
    SetEvent(m_hReturnEvent);
    m_nInCallback.fetch_sub(1);
}

DWORD WINAPI CWaveIn::FeederThread(LPVOID self) {
    static_cast<CWaveIn*>(self)->Feed();
    return 0;
}

// Refused and empty headers wait a while, then go back, so a device that recovers gets them again.
// A freed block (ReleaseFilled) also wakes the feeder, for headers that found the ring full.
void CWaveIn::Feed() {
    for (;;) {
        WaitForSingleObject(m_hFeedEvent, m_Ring.HasSpare() ? CCaptureRing::kRetryMs : INFINITE);
        if (m_bEndFeeder.load(std::memory_order_acquire))
            return;
        m_Ring.QueueWaiting(AddToDevice, this, AwakeMs());
    }
}

void CWaveIn::ReleaseFilled() {
    m_Ring.ReleaseFilled();
    SetEvent(m_hFeedEvent);
}

void CWaveIn::WaitForData(DWORD timeoutMs) {
    WaitForSingleObject(m_hDataEvent, timeoutMs);
}

void CWaveIn::WakeReader() {
    SetEvent(m_hDataEvent);
}
