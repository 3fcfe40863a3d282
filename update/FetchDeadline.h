// The one deadline of an update fetch and the waits it allows, on the 32-bit millisecond tick
// count (unsigned differences stay right when the count wraps around). No windows.h.
#pragma once
#include <cstdint>

// The whole fetch: name lookup, connect, request, header and body. The answer is a few hundred
// bytes, which a real server on a slow link delivers in a few seconds; 10 s leaves room for
// that and still lets a user whose network is hostile see the program give up soon.
constexpr uint32_t kFetchDeadlineMs = 10000;
// No single wait is longer than this.
constexpr uint32_t kFetchWaitMs = 5000;

class CFetchDeadline {
  public:
    explicit CFetchDeadline(uint32_t startTick) : m_nStartTick(startTick) {}

    // The next wait: at most kFetchWaitMs and never past the deadline; 0 once it has passed.
    uint32_t NextWaitMs(uint32_t nowTick) const {
        const uint32_t elapsed = nowTick - m_nStartTick;
        if (elapsed >= kFetchDeadlineMs)
            return 0;
        const uint32_t left = kFetchDeadlineMs - elapsed;
        return left < kFetchWaitMs ? left : kFetchWaitMs;
    }

  private:
    uint32_t m_nStartTick;
};
