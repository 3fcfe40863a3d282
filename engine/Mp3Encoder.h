// One instance of the encoder library, configured from a job's settings.
// Threads: Open and Close run on the UI thread, before the job's worker starts and after it ended;
// the worker alone makes the encode and flush calls with GetHandle().
#pragma once
#include "EncoderLib.h"

class CMp3Encoder final {
  public:
    CMp3Encoder() = default;
    // Slot 0: closes the instance (also a null one, after a failed create) and deletes the object.
    virtual void Close();
    // 1 when the instance is ready to encode; after 0 the caller still calls Close.
    int Open(int32_t channels, int32_t sampleRateHz, int32_t bitRateKbps, int32_t quality);

    HENCODER GetHandle() const { return m_hEncoder; }
    int32_t GetChannels() const { return m_nChannels; }

  private:
    ~CMp3Encoder() = default;

    HENCODER m_hEncoder = nullptr;
    int32_t m_nChannels = 0;
};
