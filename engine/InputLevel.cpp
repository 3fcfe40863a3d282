#include "InputLevel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

uint32_t SaturatingAdd(uint32_t a, uint32_t b) {
    return a > UINT32_MAX - b ? UINT32_MAX : a + b;
}

} // namespace

// Lowest and highest rather than magnitudes: plain min/max over int16 is what the compiler turns
// into vector code, so the frame costs little next to its encoding.
uint32_t PeakOf(const int16_t* pcm, uint32_t samples) {
    int32_t low = 0, high = 0;
    for (uint32_t i = 0; i < samples; ++i) {
        low = std::min<int32_t>(low, pcm[i]);
        high = std::max<int32_t>(high, pcm[i]);
    }
    return static_cast<uint32_t>(std::max(high, -low));
}

double PeakDbfs(uint32_t peak) {
    if (peak == 0)
        return -std::numeric_limits<double>::infinity();
    return 20 * std::log10(peak / double{kFullScalePeak});
}

uint32_t SilenceState(const SLevelReading& reading) {
    uint32_t state = 0;
    if (reading.quietMs >= kSilenceWarnMs)
        state |= kSilenceQuiet;
    if (reading.zeroMs >= kSilenceWarnMs)
        state |= kSilenceZero;
    return state;
}

// A frame with sound ends the quiet run at the frame's end: the run may start up to one frame late,
// never early, so the warning never comes before 10 s of silence.
void CInputLevel::AddFrame(const int16_t* pcm, uint32_t frames, uint32_t channels) {
    const uint32_t peak = PeakOf(pcm, frames * channels);
    uint32_t seen = m_nPeak.load(std::memory_order_relaxed);
    while (peak > seen && !m_nPeak.compare_exchange_weak(seen, peak, std::memory_order_relaxed)) {
    }
    if (peak >= kClipPeak)
        m_bClipped.store(1, std::memory_order_relaxed);
    const uint32_t quiet = m_nQuiet.load(std::memory_order_relaxed);
    m_nQuiet.store(peak >= kSoundPeak ? 0 : SaturatingAdd(quiet, frames), std::memory_order_relaxed);
    const uint32_t zero = m_nZero.load(std::memory_order_relaxed);
    m_nZero.store(peak ? 0 : SaturatingAdd(zero, frames), std::memory_order_relaxed);
    m_nFrames.fetch_add(frames, std::memory_order_release);
}

SLevelReading CInputLevel::Read() {
    const uint32_t frames = m_nFrames.load(std::memory_order_acquire);
    SLevelReading reading;
    reading.peak = m_nPeak.exchange(0, std::memory_order_relaxed);
    reading.newMs = Ms(frames - m_nReadFrames);
    reading.quietMs = Ms(m_nQuiet.load(std::memory_order_relaxed));
    reading.zeroMs = Ms(m_nZero.load(std::memory_order_relaxed));
    reading.clipped = static_cast<int>(m_bClipped.load(std::memory_order_relaxed));
    m_nReadFrames = frames;
    return reading;
}

uint32_t CInputLevel::Ms(uint32_t frames) const {
    return static_cast<uint32_t>(std::min<uint64_t>(uint64_t{frames} * 1000 / m_nRate, UINT32_MAX));
}
