// Process-wide handles and the recording mutex, created by static initialisation.
#include "ProcessState.h"

#include <cstdlib>

HINSTANCE g_hInstance = nullptr;
HWND g_hMainWnd = nullptr;
HANDLE g_hRecordMutex = CreateMutexW(nullptr, FALSE, nullptr);

namespace {

void CloseRecordMutex() {
    CloseHandle(g_hRecordMutex);
}

// Registered after the mutex exists: both initialisers run in this order within this file.
const int s_nCloseRegistered = std::atexit(CloseRecordMutex);

} // namespace
