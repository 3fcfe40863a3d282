// One instance of the encoder library, configured from a job's settings.
// Threads: Open and Close run on the UI thread, before the job's worker starts and after it ended;
// the worker alone calls EncodeFrame and Flush; InfoFrame is called before the first frame and after
// the flush, by whichever thread then owns the instance.
#pragma once
#include "EncoderLib.h"

class CMp3Encoder final {
  public:
    CMp3Encoder() = default;
    // Slot 0: closes the instance (also a null one, after a failed create) and deletes the object.
    virtual void Close();
    // 1 when the instance is ready to encode; after 0 the caller still calls Close.
    int Open(int32_t channels, int32_t sampleRateHz, int32_t bitRateKbps, int32_t quality);
    // Up to 1152 samples per channel, read in place (one channel is given as both of the library's
    // channel arrays, two go interleaved); fewer only for the last samples of a recording. The MP3
    // bytes placed in out; 0 or below: none.
    int32_t EncodeFrame(const int16_t* pcm, uint32_t samples, uint8_t* out, int32_t outBytes);
    // Once, after the last frame: the MP3 bytes the instance still held.
    int32_t Flush(uint8_t* out, int32_t outBytes);
    // Before the first frame, the place holder that begins the file; after the flush, the Info frame
    // to write over it. The bytes placed in out; 0 or below: none.
    int32_t InfoFrame(uint8_t* out, int32_t outBytes);

  private:
    ~CMp3Encoder() = default;

    HENCODER m_hEncoder = nullptr;
    int32_t m_nChannels = 0;
};
