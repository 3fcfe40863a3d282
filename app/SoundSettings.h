// The system's sound settings panel.
#pragma once
#include <windows.h>

// Starts "control.exe mmsys.cpl,,1" (its recording tab) from the system folder. Returns the new process,
// which the caller closes, or null when it could not be started.
HANDLE StartSoundSettings();
