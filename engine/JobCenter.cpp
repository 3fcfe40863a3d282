#include "JobCenter.h"

#include "EncoderLib.h"
#include "JobSettings.h"
#include "Mp3Encoder.h"
#include "RingMath.h"
#include "WaveIn.h"

#include <new>

namespace {
constexpr DWORD kIdleSleepMs = 100;
}

CJobCenter* CJobCenter::Create(const wchar_t* fileName, uint32_t deviceIndex, int32_t quality,
                               int32_t channels, int32_t sampleRate, int32_t bitRateFactor) {
    auto* job = new (std::nothrow) CJobCenter;
    if (!job)
        return nullptr;
    if (!job->Open(fileName, deviceIndex, quality, channels, sampleRate, bitRateFactor)) {
        job->Stop();
        return nullptr;
    }
    return job;
}

int CJobCenter::Open(const wchar_t* fileName, uint32_t deviceIndex, int32_t quality, int32_t channels,
                     int32_t sampleRate, int32_t bitRateFactor) {
    m_File.Reset(CreateFileW(fileName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_File.IsOpen())
        return 0;
    const WAVEFORMATEX format = PcmCaptureFormat(channels, sampleRate);
    m_pWaveIn = CWaveIn::Create(deviceIndex, &format);
    if (!m_pWaveIn)
        return 0;
    m_nFrameBytes = format.nBlockAlign * kSamplesPerCall;
    m_pEncoder = new (std::nothrow) CMp3Encoder;
    if (!m_pEncoder)
        return 0;
    if (!m_pEncoder->Open(channels, sampleRate, EncoderBitRateKbps(sampleRate, bitRateFactor), quality)) {
        m_pEncoder->Close();
        m_pEncoder = nullptr;
        return 0;
    }
    m_pOutBuf = static_cast<uint8_t*>(m_Blocks.Alloc(kOutBufBytes));
    return m_pOutBuf != nullptr;
}

int CJobCenter::Start() {
    m_bStop.store(0, std::memory_order_release);
    m_hThread = CreateThread(nullptr, 0, WorkerThread, this, 0, nullptr);
    if (!m_hThread)
        return 0;
    // The worker already runs and finds nothing to do until the first block is filled.
    const HWAVEIN device = m_pWaveIn ? m_pWaveIn->GetDevice() : nullptr;
    if (!device || waveInStart(device) != MMSYSERR_NOERROR)
        return 0;
    return 1;
}

uint32_t CJobCenter::GetWrittenBytes() {
    return m_nWrittenBytes.load(std::memory_order_relaxed);
}

int CJobCenter::Stop() {
    // The block being filled comes back short and is dropped; no block is captured after this.
    // A full block's completion may still be on its way, so the worker is told to finish only
    // once the device has handed back every header.
    if (m_pWaveIn && m_pWaveIn->GetDevice())
        waveInStop(m_pWaveIn->GetDevice());
    if (m_pWaveIn)
        m_pWaveIn->DrainDevice();
    m_bStop.store(1, std::memory_order_release);
    if (m_hThread && m_hThread != INVALID_HANDLE_VALUE) {
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = INVALID_HANDLE_VALUE;
    }
    m_bStop.store(0, std::memory_order_release);
    m_File.Close();
    if (m_pWaveIn)
        m_pWaveIn->Close();
    m_pWaveIn = nullptr;
    if (m_pEncoder)
        m_pEncoder->Close();
    m_pEncoder = nullptr;
    m_Blocks.FreeAll();
    m_pOutBuf = nullptr;
    delete this;
    return 1;
}

DWORD WINAPI CJobCenter::WorkerThread(LPVOID job) {
    static_cast<CJobCenter*>(job)->Work();
    return 0;
}

// The stop flag is read only when no block waits, so everything captured before the device
// stopped is encoded.
void CJobCenter::Work() {
    for (;;) {
        const uint8_t* block = m_pWaveIn->TakeFilled();
        if (!block) {
            if (m_bStop.load(std::memory_order_acquire) == 1)
                break;
            Sleep(kIdleSleepMs);
            continue;
        }
        EncodeBlock(block);
        m_pWaveIn->ReleaseFilled();
    }
    const int32_t flushed = EncoderFlush(m_pEncoder->GetHandle(), m_pOutBuf, kOutCapacityBytes);
    if (flushed > 0)
        WriteOut(m_pOutBuf, static_cast<uint32_t>(flushed));
    WriteOut(kId3v1Tag.data(), kTagBytes);
}

// The encoder reads the PCM in place in the ring; a block is a whole number of 1152-sample frames.
void CJobCenter::EncodeBlock(const uint8_t* block) {
    const HENCODER encoder = m_pEncoder->GetHandle();
    const bool mono = m_pEncoder->GetChannels() == 1;
    const uint32_t blockBytes = m_pWaveIn->GetBlockBytes();
    for (uint32_t offset = 0; offset < blockBytes; offset += m_nFrameBytes) {
        const auto* pcm = reinterpret_cast<const int16_t*>(block + offset);
        const int32_t produced =
            mono ? EncoderEncodeChannels(encoder, pcm, pcm, kSamplesPerCall, m_pOutBuf, kOutCapacityBytes)
                 : EncoderEncodeInterleaved(encoder, pcm, kSamplesPerCall, m_pOutBuf, kOutCapacityBytes);
        if (produced > 0)
            WriteOut(m_pOutBuf, static_cast<uint32_t>(produced));
    }
}

// Counts what the file took, not what it was offered: a full disk must not look like a growing
// file. A failed write does not end the recording, since space may come back.
void CJobCenter::WriteOut(const uint8_t* data, uint32_t bytes) {
    DWORD written = 0;
    WriteFile(m_File.Get(), data, bytes, &written, nullptr);
    m_nWrittenBytes.fetch_add(written, std::memory_order_relaxed);
}
