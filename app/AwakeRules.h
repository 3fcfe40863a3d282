// What a recording asks of the power manager. No platform calls here.
#pragma once
#include <cstdint>

// SetThreadExecutionState's flags (winnt.h).
constexpr uint32_t kEsContinuous = 0x80000000;
constexpr uint32_t kEsSystemRequired = 0x00000001;
constexpr uint32_t kEsDisplayRequired = 0x00000002;

// While recording the system stays awake. On a Modern Standby system (aoac) on battery Windows ends a
// system-required request 5 minutes after the sleep timeout, and the recording with it; a
// display-required request holds, so the display is kept on as well (it may still dim).
constexpr uint32_t RecordingExecutionState(bool aoac) {
    return kEsContinuous | kEsSystemRequired | (aoac ? kEsDisplayRequired : 0);
}
// After the recording: nothing held.
constexpr uint32_t kIdleExecutionState = kEsContinuous;
