// Entry point: one copy only, the update check, the main window and its message loop.
#include <windows.h>

#include "AppInfo.h"
#include "MainWindow.h"
#include "OneCopy.h"
#include "ProcessState.h"
#include "UpdateCheck.h"

static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED && kErrorAlreadyExists == ERROR_ALREADY_EXISTS);

namespace {

// The running copy's window comes to the front, restored if minimised; a copy without a window yet is
// in its update check, and this one ends without a word. The mutex stays held for the process's life.
bool AnotherCopyRuns() {
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\Kavel_TORVEN_OneCopy");
    const DWORD error = GetLastError();
    HWND running = FindWindowW(L"Kavel_TORVEN", nullptr);
    switch (DecideOneCopy(mutex != nullptr, error, running != nullptr)) {
    case kBringRunningForward:
        // Asynchronous: a copy that does not answer must not hold this one.
        if (IsIconic(running))
            ShowWindowAsync(running, SW_RESTORE);
        SetForegroundWindow(running);
        return true;
    case kEndQuietly:
        return true;
    default:
        return false;
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (AnotherCopyRuns())
        return 0;
    UnscrambleAppInfo();
    if (CheckForUpdate() != 0)
        return 0;
    g_hInstance = instance;
    g_hMainWnd = CreateMainWindow();
    if (!g_hMainWnd)
        return 0;
    MSG msg;
    // Dialog navigation: Tab and Shift+Tab between the controls, Enter and Space on buttons.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(g_hMainWnd, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // The quit code is always 0; the program never ends with another.
    return 0;
}
