// One recording into one output file: capture ring -> encoder -> file on a worker thread.
//
// Threads: the UI thread calls Create, Start, GetWrittenBytes and Stop. The worker thread alone
// encodes, writes the file and adds to m_nWrittenBytes; it owns the ring's read cursor. The UI
// thread writes m_bStop. No lock: the two shared counters are atomic 32-bit values.
#pragma once
#include "BlockChain.h"
#include "FileHandle.h"

#include <windows.h>

#include <atomic>
#include <stdint.h>

class CWaveIn;
class CMp3Encoder;

// What the application shell sees of a job; slot order Stop, Start, GetWrittenBytes.
struct structJobKavel {
    virtual int Stop() = 0;
    virtual int Start() = 0;
    virtual uint32_t GetWrittenBytes() = 0;
};

class CJobCenter final : public structJobKavel {
  public:
    // A job ready to start: file created, device open, encoder prepared. Null on any failure,
    // with everything built so far released.
    static CJobCenter* Create(const wchar_t* fileName, uint32_t deviceIndex, int32_t quality,
                              int32_t channels, int32_t sampleRate, int32_t bitRateFactor);
    // Ends the recording (remaining blocks, flush, tag), closes the file and deletes the job.
    int Stop() override;
    // 1 when the worker runs and the device started; on 0 the caller calls Stop.
    int Start() override;
    // Bytes the file has taken so far.
    uint32_t GetWrittenBytes() override;

  private:
    CJobCenter() = default;
    ~CJobCenter() = default;
    int Open(const wchar_t* fileName, uint32_t deviceIndex, int32_t quality, int32_t channels,
             int32_t sampleRate, int32_t bitRateFactor);
    void Work();
    void EncodeBlock(const uint8_t* block);
    void WriteOut(const uint8_t* data, uint32_t bytes);
    static DWORD WINAPI WorkerThread(LPVOID job);

    CWaveIn* m_pWaveIn = nullptr;
    CMp3Encoder* m_pEncoder = nullptr;
    CFileHandle m_File;
    uint32_t m_nFrameBytes = 0;
    std::atomic<uint32_t> m_nWrittenBytes{0};
    CBlockChain m_Blocks;
    uint8_t* m_pOutBuf = nullptr;
    std::atomic<int32_t> m_bStop{0};
    HANDLE m_hThread = nullptr;
};
