// One recording: capture ring -> encoder -> file on a worker thread, going on into a new file at a
// split without stopping the capture.
//
// Threads: the UI thread calls Create, Start, GetWrittenBytes, SwitchFile, HasFailed,
// IsWriteFailing, ReadLevel, GetLostMs and Stop. The worker thread alone encodes, writes, flushes and
// finishes the files it was handed, measures m_Level, owns the ring's read cursor and the closing
// thread of a finished file. The UI thread writes m_bStop and m_pNext; the worker takes m_pNext and
// writes m_nWrittenBytes, m_bWriteFailing and m_bFailed. No lock: the shared values are atomic.
#pragma once
#include "BlockChain.h"
#include "InputLevel.h"
#include "JobFault.h"

#include <windows.h>

#include <atomic>
#include <stdint.h>

class CWaveIn;
class CMp3Encoder;
class CMp3File;

// What the application shell sees of a job; slot order Stop, Start, GetWrittenBytes, SwitchFile,
// HasFailed, IsWriteFailing, ReadLevel, GetLostMs.
struct structJobKavel {
    virtual int Stop() = 0;
    virtual int Start(SJobFault* fault) = 0;
    virtual uint64_t GetWrittenBytes() = 0;
    virtual int SwitchFile(const wchar_t* fileName, SJobFault* fault) = 0;
    virtual int HasFailed() = 0;
    virtual int IsWriteFailing() = 0;
    virtual SLevelReading ReadLevel() = 0;
    virtual uint32_t GetLostMs() = 0;
};

class CJobCenter final : public structJobKavel {
  public:
    // A job ready to start: device open, encoder prepared. Nothing on disk changes before Start.
    // replaceExisting: the file may replace one of that name (the user confirmed it); otherwise an
    // existing file fails the start. Null on any failure, with everything built so far released and
    // the cause in *fault.
    static CJobCenter* Create(const wchar_t* fileName, uint32_t deviceIndex, int32_t quality,
                              int32_t channels, int32_t sampleRate, int32_t bitRateFactor,
                              int replaceExisting, SJobFault* fault);
    // Ends the recording (every sample captured, flush, Info frame, tag), closes the files and deletes
    // the job. A job that never started leaves no file behind.
    int Stop() override;
    // 1 when the device started, the file was created and the worker runs; on 0 the cause is in
    // *fault and the caller calls Stop.
    int Start(SJobFault* fault) override;
    // Bytes the current file has taken so far; 0 for a file handed over and not yet begun.
    uint64_t GetWrittenBytes() override;
    // Creates fileName (never over an existing file) with an encoder of its own; the worker ends
    // the current file at the next block and goes on in this one. 0, with the cause in *fault, when
    // it cannot be created: the current file goes on untouched.
    int SwitchFile(const wchar_t* fileName, SJobFault* fault) override;
    // 1 once the device stopped delivering: the worker has finished the file and ended.
    int HasFailed() override;
    // 1 while the disk refuses what the worker writes (full, gone, too large a file); the recording
    // goes on, since space may come back.
    int IsWriteFailing() override;
    // The input level since the previous call, from the samples the encoder took.
    SLevelReading ReadLevel() override { return m_Level.Read(); }
    // Audio the device could not record because the worker fell further behind than the ring holds.
    uint32_t GetLostMs() override;

  private:
    struct SNextFile;

    CJobCenter() = default;
    ~CJobCenter() = default;
    int Open(const wchar_t* fileName, uint32_t deviceIndex, int32_t quality, int32_t channels,
             int32_t sampleRate, int32_t bitRateFactor, SJobFault* fault);
    CMp3Encoder* OpenEncoder(SJobFault* fault) const;
    static CMp3File* OpenFile(const wchar_t* name, int replaceExisting, CMp3Encoder* encoder,
                              SJobFault* fault);
    void Work();
    void EncodeBlock(const uint8_t* block, uint32_t bytes);
    void Write(uint32_t bytes);
    void TakeNextFile();
    void FinishFile();
    void CloseLater(CMp3File* file);
    void DropNextFile();
    static DWORD WINAPI WorkerThread(LPVOID job);
    static DWORD WINAPI ClosingThread(LPVOID file);

    CWaveIn* m_pWaveIn = nullptr;
    CMp3Encoder* m_pEncoder = nullptr;
    CMp3File* m_pFile = nullptr;
    uint32_t m_nBlockAlign = 0;
    std::atomic<uint64_t> m_nWrittenBytes{0};
    std::atomic<int32_t> m_bWriteFailing{0};
    CBlockChain m_Blocks;
    uint8_t* m_pOutBuf = nullptr; // a block's encoded output, then the flush and the Info frame
    uint32_t m_nOutBufBytes = 0;
    std::atomic<int32_t> m_bStop{0};
    HANDLE m_hThread = nullptr;
    HANDLE m_hClosing = nullptr;      // the worker's: flushes and closes the file a split finished
    uint32_t m_nUnflushedSamples = 0; // the worker's: audio written since the file was last flushed

    // The settings every file's encoder is opened with, and the first file's name until Start.
    int32_t m_nQuality = 0, m_nChannels = 0, m_nSampleRate = 0, m_nBitRateKbps = 0;
    const wchar_t* m_pszFileName = nullptr; // in m_Blocks
    int m_bReplace = 0;
    int m_bStarted = 0; // UI thread's: Start succeeded
    std::atomic<SNextFile*> m_pNext{nullptr};
    std::atomic<int32_t> m_bFailed{0};
    CInputLevel m_Level;
};
