// The input level of a recording: measured by the worker from each encoder frame it hands to the
// encoder, read by the UI thread on its own timer, and the silence rule over it.
//
// Threads: Init before the worker starts. The worker alone calls AddFrame (all fields but
// m_nReadFrames); the UI thread alone calls Read (m_nReadFrames, and it empties m_nPeak). No lock:
// every shared value is a single atomic word, each meaningful on its own.
//
// Silence is counted in audio time (frames the worker took), not wall time: a worker held up by a slow
// disk, or a recording in its first moments, has taken no audio yet, and that is no sign of a silent
// input. The price is that the warning follows the audio as late as the worker is behind.
#pragma once
#include <atomic>
#include <stdint.h>

constexpr uint32_t kFullScalePeak = 32768;
// 32768 / 1000 = 32.8: peaks from here up are at or above -60 dBFS, sound for the silence rule.
constexpr uint32_t kSoundPeak = 33;
// Either end of the 16-bit range (+32767 or -32768) counts as clipping.
constexpr uint32_t kClipPeak = 32767;
constexpr uint32_t kSilenceWarnMs = 10000;

// What one read tells the UI.
struct SLevelReading {
    uint32_t peak;    // largest magnitude since the previous read, 0 to 32768
    uint32_t newMs;   // audio taken since the previous read
    uint32_t quietMs; // audio since the last sample at or above -60 dBFS (the start if none)
    uint32_t zeroMs;  // audio since the last sample other than 0 (the start if none)
    int clipped;      // a sample reached full scale since the start
};

// Largest magnitude among the samples; 32768 for -32768.
uint32_t PeakOf(const int16_t* pcm, uint32_t samples);
// Level of a peak in dB relative to full scale; minus infinity for 0.
double PeakDbfs(uint32_t peak);

enum : uint32_t {
    kSilenceQuiet = 1, // every sample of the last 10 s lay below -60 dBFS
    kSilenceZero = 2,  // every sample of the last 10 s was 0: a blocked or disabled input
};
uint32_t SilenceState(const SLevelReading& reading);

class CInputLevel {
  public:
    void Init(uint32_t sampleRate) { m_nRate = sampleRate ? sampleRate : 1; }
    // One encoder frame of interleaved samples.
    void AddFrame(const int16_t* pcm, uint32_t frames, uint32_t channels);
    SLevelReading Read();

  private:
    uint32_t Ms(uint32_t frames) const;

    uint32_t m_nRate = 1;
    std::atomic<uint32_t> m_nPeak{0};   // raised by the worker, emptied by each read
    std::atomic<uint32_t> m_nFrames{0}; // frames taken, modulo 2^32
    std::atomic<uint32_t> m_nQuiet{0};  // frames since the last one with sound, saturating
    std::atomic<uint32_t> m_nZero{0};   // frames since the last one not all 0, saturating
    std::atomic<uint32_t> m_bClipped{0};
    uint32_t m_nReadFrames = 0; // the UI's: m_nFrames at its previous read
};
