// Process-wide handles of the shell, set once during start-up.
#pragma once
#include <windows.h>

extern HINSTANCE g_hInstance;
extern HWND g_hMainWnd;
// Serialises the start, stop and status-timer sequences of a recording; created before the
// entry point runs and closed at process exit.
extern HANDLE g_hRecordMutex;
