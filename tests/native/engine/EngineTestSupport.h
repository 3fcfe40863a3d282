// Helpers shared by the engine tests that run over the fake device.
#pragma once
#include "fake_kernel.h"
#include "fake_wavein.h"

#include <mmsystem.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

// Polls until pred holds; false after timeoutMs.
template <typename Pred> bool WaitUntil(Pred pred, int timeoutMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline std::wstring Wide(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

// The bytes the fake device records for `bytes` bytes of numbered audio from sample `first` on.
inline void AppendNumbered(std::vector<uint8_t>& out, uint64_t first, uint32_t bytes) {
    for (uint64_t i = first; i < first + bytes / 2; ++i) {
        const uint16_t v = fakewin::NumberedSample(i);
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
}

// The whole encoder frames of audio the device handed back, in capture order, as the files should
// hold them.
inline std::vector<uint8_t> CapturedBytes(fakewin::WaveStats stats, uint32_t frameBytes) {
    std::sort(stats.completed.begin(), stats.completed.end(),
              [](const auto& a, const auto& b) { return a.firstSample < b.firstSample; });
    std::vector<uint8_t> out;
    for (const fakewin::Completion& c : stats.completed)
        AppendNumbered(out, c.firstSample, c.bytes / frameBytes * frameBytes);
    return out;
}
