#include "JobCenter.h"

#include "JobSettings.h"
#include "Mp3Encoder.h"
#include "Mp3File.h"
#include "RingMath.h"
#include "WaveIn.h"

#include <algorithm>
#include <cwchar>
#include <new>

namespace {

constexpr DWORD kIdleWaitMs = 100;
// The longest path the system takes, in UTF-16 units with the terminator ("\\?\" names included).
constexpr size_t kNameUnits = 32768;

} // namespace

// A file handed over by SwitchFile, waiting for the worker's next block.
struct CJobCenter::SNextFile {
    CMp3File* file = nullptr;
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
    m_nBlockAlign = format.nBlockAlign;
    m_pEncoder = OpenEncoder(fault);
    if (!m_pEncoder)
        return 0;
    m_nOutBufBytes = OutBufBytes(m_pWaveIn->GetBlockBytes() / (m_nBlockAlign * kSamplesPerCall));
    m_pOutBuf = static_cast<uint8_t*>(m_Blocks.Alloc(m_nOutBufBytes));
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

// The file begins with the encoder's place holder, which its Info frame replaces once it is finished.
CMp3File* CJobCenter::OpenFile(const wchar_t* name, int replaceExisting, CMp3Encoder* encoder,
                               SJobFault* fault) {
    uint8_t placeholder[kMaxFrameBytes];
    const int32_t bytes = encoder->InfoFrame(placeholder, sizeof placeholder);
    return CMp3File::Create(name, replaceExisting, placeholder, bytes > 0 ? static_cast<uint32_t>(bytes) : 0,
                            fault);
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
    m_pFile = OpenFile(m_pszFileName, m_bReplace, m_pEncoder, fault);
    if (!m_pFile)
        return 0;
    m_nWrittenBytes.store(m_pFile->Bytes(), std::memory_order_relaxed);
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
        next->file = OpenFile(fileName, 0, next->encoder, fault);
    if (!next->file) {
        if (next->encoder)
            next->encoder->Close();
        delete next;
        return 0;
    }
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

uint32_t CJobCenter::GetLostMs() {
    return m_pWaveIn ? m_pWaveIn->LostMs() : 0;
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
    CloseLater(nullptr); // waits for a file a split finished
    m_bStop.store(0, std::memory_order_release);
    DropNextFile(); // handed over after the worker had ended
    if (m_pFile) {
        m_pFile->Remove(); // holds no recording: the start failed
        delete m_pFile;
        m_pFile = nullptr;
    }
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
            if (block.bytes >= m_nBlockAlign) {
                TakeNextFile();
                EncodeBlock(block.data, block.bytes);
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
    delete m_pFile; // flushed to the disk and closed
    m_pFile = nullptr;
    DropNextFile();
}

// The encoder reads the PCM in place in the ring, up to 1152 samples per channel per call: a short
// block (the one the device was filling at the stop) is encoded whole, its last call shorter. The
// level is measured from the same samples just before, while they are in the cache.
void CJobCenter::EncodeBlock(const uint8_t* block, uint32_t bytes) {
    const uint32_t samples = bytes / m_nBlockAlign;
    uint32_t used = 0;
    for (uint32_t done = 0; done < samples; done += kSamplesPerCall) {
        const uint32_t n = std::min(kSamplesPerCall, samples - done);
        const auto* pcm = reinterpret_cast<const int16_t*>(block + done * m_nBlockAlign);
        m_Level.AddFrame(pcm, n, static_cast<uint32_t>(m_nChannels));
        const int32_t produced = m_pEncoder->EncodeFrame(pcm, n, m_pOutBuf + used, kOutCapacityBytes);
        if (produced > 0)
            used += static_cast<uint32_t>(produced);
    }
    Write(used);
    m_nUnflushedSamples += samples;
    if (uint64_t{m_nUnflushedSamples} * 1000 >=
        uint64_t{kFlushEveryMs} * static_cast<uint32_t>(m_nSampleRate)) {
        m_pFile->Flush();
        m_nUnflushedSamples = 0;
    }
}

// One write for all a block gave; the UI sees what the file took.
void CJobCenter::Write(uint32_t bytes) {
    m_pFile->Write(m_pOutBuf, bytes);
    m_nWrittenBytes.store(m_pFile->Bytes(), std::memory_order_relaxed);
    m_bWriteFailing.store(m_pFile->IsFailing(), std::memory_order_relaxed);
}

// At a block boundary: the current file ends whole (flush, Info frame, tag) and the next one goes on
// with the very next block, so a split loses no audio. Flushing the finished file to the disk and
// closing it, which on a share or a slow stick may take long, is left to a thread of its own.
void CJobCenter::TakeNextFile() {
    SNextFile* next = m_pNext.load(std::memory_order_acquire);
    if (!next)
        return;
    FinishFile();
    CloseLater(m_pFile);
    m_pFile = next->file;
    m_pEncoder->Close();
    m_pEncoder = next->encoder;
    m_nUnflushedSamples = 0;
    delete next;
    m_nWrittenBytes.store(m_pFile->Bytes(), std::memory_order_relaxed);
    m_pNext.store(nullptr, std::memory_order_release);
}

void CJobCenter::FinishFile() {
    const int32_t flushed = m_pEncoder->Flush(m_pOutBuf, kOutCapacityBytes);
    Write(flushed > 0 ? static_cast<uint32_t>(flushed) : 0);
    uint8_t* info = m_pOutBuf + kOutCapacityBytes;
    const int32_t infoBytes =
        m_pEncoder->InfoFrame(info, static_cast<int32_t>(m_nOutBufBytes - kOutCapacityBytes));
    m_pFile->Finish(info, infoBytes > 0 ? static_cast<uint32_t>(infoBytes) : 0);
}

DWORD WINAPI CJobCenter::ClosingThread(LPVOID file) {
    delete static_cast<CMp3File*>(file);
    return 0;
}

// One file closes at a time; the one before has had a whole file's recording to finish. Null only
// waits for it.
void CJobCenter::CloseLater(CMp3File* file) {
    if (m_hClosing) {
        WaitForSingleObject(m_hClosing, INFINITE);
        CloseHandle(m_hClosing);
        m_hClosing = nullptr;
    }
    if (!file)
        return;
    m_hClosing = CreateThread(nullptr, 0, ClosingThread, file, 0, nullptr);
    if (!m_hClosing)
        delete file;
}

// A file handed over after the last block holds nothing: it is removed rather than left empty.
void CJobCenter::DropNextFile() {
    SNextFile* next = m_pNext.exchange(nullptr, std::memory_order_acq_rel);
    if (!next)
        return;
    next->file->Remove();
    delete next->file;
    next->encoder->Close();
    delete next;
}
