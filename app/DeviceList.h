// The input-device list of the set-up view: filled from the system's wave-input devices, refreshed
// when devices come and go, and read at each start to find the chosen device by its name.
#pragma once
#include <windows.h>

#include "DeviceNames.h"

// Refills the list from the system's devices, keeping the chosen device by its name (DeviceNames.h).
// 0 when that device is gone: it stays chosen, marked gone, and its name is in lost (when not null).
int RefreshDeviceList(HWND combo, wchar_t* lost = nullptr);
// The device index of the list's chosen device as the system numbers its devices now, and the
// chosen name; -1 when no device of that name is there any more.
int FindChosenDevice(HWND combo, wchar_t (&name)[kDeviceNameUnits]);
