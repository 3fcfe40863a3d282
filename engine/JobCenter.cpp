#include "JobCenter.h"

#include "JobSettings.h"
#include "Mp3Encoder.h"
#include "RingMath.h"
#include "WaveIn.h"

#include <cwchar>
#include <new>

namespace {

constexpr DWORD kIdleWaitMs = 100;
// The longest path the system takes, in UTF-16 units with the terminator ("\\?\" names included).
constexpr size_t kNameUnits = 32768;

// With the right to delete, so that a file that must go is removed through its own handle: by name,
// another file put there meanwhile would go instead.
HANDLE CreateOutputFile(const wchar_t* name, int replaceExisting, SJobFault* fault) {
    HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                              replaceExisting ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        *fault = {kJobFileCreate, GetLastError()};
    return file;
}

} // namespace

// A file handed over by SwitchFile, waiting for the worker's next block.
struct CJobCenter::SNextFile {
    CFileHandle file;
    CMp3Encoder* encoder = nullptr;
};

CJobCenter* CJobCenter::Create(const wchar_t* fileName, uint32_t deviceIndex, int32_t quality,
                               int32_t channels, int32_t sampleRate, int32_t bitRateFactor,
                               int replaceExisting, SJobFault* fault) {
    *fault = {kJobNoMemory, 0};
    auto* job = new (std::nothrow) CJobCenter;
    if (!job)
        return nullptr;
    job->m_bReplace = replaceExisting;
    if (!job->Open(fileName, deviceIndex, quality, channels, sampleRate, bitRateFactor, fault)) {
        job->Stop();
        return nullptr;
    }
    return job;
}

// The file is not touched here: a device or encoder that fails must not cost an existing file.
int CJobCenter::Open(const wchar_t* fileName, uint32_t deviceIndex, int32_t quality, int32_t channels,
                     int32_t sampleRate, int32_t bitRateFactor, SJobFault* fault) {
    const size_t nameUnits = wcslen(fileName) + 1;
    if (nameUnits > kNameUnits) {
        *fault = {kJobFileCreate, ERROR_FILENAME_EXCED_RANGE};
        return 0;
    }
    auto* name = static_cast<wchar_t*>(m_Blocks.Alloc(nameUnits * sizeof(wchar_t)));
    if (!name)
        return 0;
    wmemcpy(name, fileName, nameUnits);
    m_pszFileName = name;
    m_nQuality = quality;
    m_nChannels = channels;
    m_nSampleRate = sampleRate;
    m_nBitRateKbps = EncoderBitRateKbps(sampleRate, bitRateFactor);
    m_Level.Init(static_cast<uint32_t>(sampleRate));

    const WAVEFORMATEX format = PcmCaptureFormat(channels, sampleRate);
    MMRESULT deviceError = MMSYSERR_NOERROR;
    m_pWaveIn = CWaveIn::Create(deviceIndex, &format, &deviceError);
    if (!m_pWaveIn) {
        *fault = deviceError == MMSYSERR_NOMEM ? SJobFault{kJobNoMemory, 0}
                                               : SJobFault{kJobDeviceOpen, deviceError};
        return 0;
    }
    m_nFrameBytes = format.nBlockAlign * kSamplesPerCall;
    m_pEncoder = OpenEncoder(fault);
    if (!m_pEncoder)
        return 0;
    m_pOutBuf = static_cast<uint8_t*>(m_Blocks.Alloc(kOutBufBytes));
    *fault = {m_pOutBuf ? kJobFine : kJobNoMemory, 0};
    return m_pOutBuf != nullptr;
}

CMp3Encoder* CJobCenter::OpenEncoder(SJobFault* fault) const {
    auto* encoder = new (std::nothrow) CMp3Encoder;
    *fault = {kJobNoMemory, 0};
    if (!encoder)
        return nullptr;
    if (!encoder->Open(m_nChannels, m_nSampleRate, m_nBitRateKbps, m_nQuality)) {
        encoder->Close();
        *fault = {kJobEncoder, 0};
        return nullptr;
    }
    return encoder;
}

// The device starts first and the file is made only when it did, so a start that fails leaves an
// existing file as it was. The ring holds the first blocks until the worker runs.
int CJobCenter::Start(SJobFault* fault) {
    m_bStop.store(0, std::memory_order_release);
    const MMRESULT started = m_pWaveIn ? m_pWaveIn->Start() : MMSYSERR_INVALHANDLE;
    if (started != MMSYSERR_NOERROR) {
        *fault = {kJobDeviceStart, started};
        return 0;
    }
    m_File.Reset(CreateOutputFile(m_pszFileName, m_bReplace, fault));
    if (!m_File.IsOpen())
        return 0;
    m_bMadeFile = 1;
    m_hThread = CreateThread(nullptr, 0, WorkerThread, this, 0, nullptr);
    if (!m_hThread) {
        *fault = {kJobNoMemory, GetLastError()};
        return 0;
    }
    m_bStarted = 1;
    *fault = {kJobFine, 0};
    return 1;
}

uint64_t CJobCenter::GetWrittenBytes() {
    if (m_pNext.load(std::memory_order_acquire))
        return 0;
    return m_nWrittenBytes.load(std::memory_order_relaxed);
}

int CJobCenter::SwitchFile(const wchar_t* fileName, SJobFault* fault) {
    *fault = {kJobNoMemory, 0};
    if (!m_bStarted || m_pNext.load(std::memory_order_acquire))
        return 0;
    auto* next = new (std::nothrow) SNextFile;
    if (!next)
        return 0;
    next->encoder = OpenEncoder(fault);
    if (next->encoder)
        next->file.Reset(CreateOutputFile(fileName, 0, fault));
    if (!next->file.IsOpen()) {
        if (next->encoder)
            next->encoder->Close();
        delete next;
        return 0;
    }
    *fault = {kJobFine, 0};
    m_pNext.store(next, std::memory_order_release);
    m_pWaveIn->WakeReader();
    return 1;
}

int CJobCenter::HasFailed() {
    return m_bFailed.load(std::memory_order_acquire);
}

int CJobCenter::IsWriteFailing() {
    return m_bWriteFailing.load(std::memory_order_relaxed);
}

int CJobCenter::Stop() {
    // Every header comes back before the worker is told to finish: a full block's completion may
    // arrive after waveInStop, and the block being filled comes back short with audio to keep.
    if (m_pWaveIn && m_pWaveIn->GetDevice())
        waveInStop(m_pWaveIn->GetDevice());
    if (m_pWaveIn)
        m_pWaveIn->DrainDevice();
    m_bStop.store(1, std::memory_order_release);
    if (m_hThread && m_hThread != INVALID_HANDLE_VALUE) {
        m_pWaveIn->WakeReader();
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
        m_hThread = INVALID_HANDLE_VALUE;
    }
    m_bStop.store(0, std::memory_order_release);
    DropNextFile(); // handed over after the worker had ended
    if (m_bMadeFile && !m_bStarted)
        m_File.Remove(); // holds no recording: the start failed
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

// Once the stop flag is seen, blocks that came back before it are still taken: everything captured
// before the device stopped is encoded.
void CJobCenter::Work() {
    for (;;) {
        const SFilledBlock block = m_pWaveIn->TakeFilled();
        if (block.data) {
            // The remainder of a short block, less than one frame, cannot be encoded alone.
            const uint32_t frames = block.bytes / m_nFrameBytes;
            if (frames) {
                TakeNextFile();
                EncodeFrames(block.data, frames);
            }
            m_pWaveIn->ReleaseFilled();
            continue;
        }
        if (m_bStop.load(std::memory_order_acquire) == 1) {
            if (m_pWaveIn->TakeFilled().data)
                continue;
            break;
        }
        if (m_pWaveIn->DeviceStalled()) {
            m_bFailed.store(1, std::memory_order_release);
            break;
        }
        m_pWaveIn->WaitForData(kIdleWaitMs);
    }
    FinishFile();
    DropNextFile();
}

// The encoder reads the PCM in place in the ring, 1152 samples per channel per call; the level is
// measured from the same frame just before, while it is in the cache.
void CJobCenter::EncodeFrames(const uint8_t* block, uint32_t frames) {
    for (uint32_t i = 0; i < frames; ++i) {
        const auto* pcm = reinterpret_cast<const int16_t*>(block + i * m_nFrameBytes);
        m_Level.AddFrame(pcm, kSamplesPerCall, static_cast<uint32_t>(m_nChannels));
        const int32_t produced = m_pEncoder->EncodeFrame(pcm, m_pOutBuf, kOutCapacityBytes);
        if (produced > 0)
            WriteOut(m_pOutBuf, static_cast<uint32_t>(produced));
    }
}

// At a block boundary: the current file ends whole (flush, tag, close) and the next one goes on
// with the very next block, so a split loses no audio.
void CJobCenter::TakeNextFile() {
    SNextFile* next = m_pNext.load(std::memory_order_acquire);
    if (!next)
        return;
    FinishFile();
    m_File.Reset(next->file.Release());
    m_pEncoder->Close();
    m_pEncoder = next->encoder;
    m_nWrittenBytes.store(0, std::memory_order_relaxed);
    delete next;
    m_pNext.store(nullptr, std::memory_order_release);
}

void CJobCenter::FinishFile() {
    const int32_t flushed = m_pEncoder->Flush(m_pOutBuf, kOutCapacityBytes);
    if (flushed > 0)
        WriteOut(m_pOutBuf, static_cast<uint32_t>(flushed));
    WriteOut(kId3v1Tag.data(), kTagBytes);
    m_File.Close();
}

// A file handed over after the last block holds nothing: it is removed rather than left empty.
void CJobCenter::DropNextFile() {
    SNextFile* next = m_pNext.exchange(nullptr, std::memory_order_acq_rel);
    if (!next)
        return;
    next->file.Remove();
    next->encoder->Close();
    delete next;
}

// Counts what the file took, not what it was offered: a full disk must not look like a growing
// file. A failed write does not end the recording, since space may come back; the shell says so
// while it lasts.
void CJobCenter::WriteOut(const uint8_t* data, uint32_t bytes) {
    DWORD written = 0;
    const BOOL ok = WriteFile(m_File.Get(), data, bytes, &written, nullptr);
    if (ok && written == bytes) {
        m_bWriteFailing.store(0, std::memory_order_relaxed);
        m_nWrittenBytes.fetch_add(written, std::memory_order_relaxed);
        return;
    }
    m_bWriteFailing.store(1, std::memory_order_relaxed);
    // A refused write may still have left part of its data: the file is cut back to what the count
    // says it holds, whatever the write reported.
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(m_nWrittenBytes.load(std::memory_order_relaxed));
    if (SetFilePointerEx(m_File.Get(), end, nullptr, FILE_BEGIN))
        SetEndOfFile(m_File.Get());
}
