// One output file of a recording: it begins with the encoder's place-holder frame, takes the encoded
// audio one write per capture block, counts what the disk took, is flushed to the disk regularly, and
// ends with the Info frame written over its first frame and the ID3v1 tag last.
//
// Threads: created on the UI thread (the place holder is written there), then handed to the job's
// worker, which alone writes, flushes and finishes it. The destructor flushes and closes: on the
// worker, or on a closing thread of the job's at a split.
#pragma once
#include "FileHandle.h"
#include "JobFault.h"

#include <windows.h>

#include <stdint.h>

class CMp3File final {
  public:
    // Creates name (replacing a file of that name only when replaceExisting) and writes the place
    // holder. Null, with the cause in *fault, when it cannot be created.
    static CMp3File* Create(const wchar_t* name, int replaceExisting, const uint8_t* placeholder,
                            uint32_t placeholderBytes, SJobFault* fault);
    ~CMp3File();
    CMp3File(const CMp3File&) = delete;
    CMp3File& operator=(const CMp3File&) = delete;

    // One write. A refused write is cut back off the file, so the file holds exactly what Bytes
    // counts; the recording goes on, since space may come back.
    void Write(const uint8_t* data, uint32_t bytes);
    // What the disk has taken of this file so far.
    uint64_t Bytes() const { return m_nBytes; }
    // 1 while the disk refuses writes (full, gone, too large a file).
    int IsFailing() const { return m_bFailing; }
    // The system's cache onto the disk: a power cut then loses nothing written before.
    void Flush();
    // The Info frame over the place holder, when the file holds the place holder and every write was
    // taken (otherwise it would state a length the file does not have), then the tag.
    void Finish(const uint8_t* infoFrame, uint32_t infoBytes);
    // Removes the file through its handle and closes it; 0 when the file could not be removed (the
    // system did not grant the right to delete it) and stays, as it is.
    int Remove();

  private:
    CMp3File() = default;
    int WriteAt(int64_t offset, const uint8_t* data, uint32_t bytes);

    CFileHandle m_File;
    uint64_t m_nBytes = 0;
    int m_bFailing = 0;
    uint32_t m_nInfoSlot = 0;       // bytes of the place holder at the file's start
    bool m_bEveryWriteTaken = true; // the place holder's write included
    bool m_bCanRemove = false;
};
