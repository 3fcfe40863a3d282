// Calling the user: the "提示" box, and the taskbar button that flashes while something is wrong and
// the window is not in front.
#pragma once
#include <windows.h>

#include <cstdint>

// A warning box, owned by the main window while that is in front; otherwise on its own, topmost,
// with the taskbar button flashing until it is answered.
void ShowNotice(const wchar_t* text);

// Why the taskbar button should flash; any set bit makes it flash while the window is behind.
enum : uint32_t {
    kAttentionDisk = 1,   // the disk refuses the recording's data
    kAttentionSilent = 2, // nothing but digital zeros comes in
    kAttentionLost = 4,   // the recording lost audio to a full capture ring; until the next start
};
// Sets or clears one reason and brings the taskbar button in line; called at every status tick.
void SetAttention(uint32_t reason, bool wanted);
