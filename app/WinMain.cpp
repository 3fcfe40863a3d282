// Entry point: one copy only, the update check, the main window and its message loop.
#include <windows.h>

#include "AppInfo.h"
#include "MainWindow.h"
#include "ProcessState.h"
#include "UpdateCheck.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // A running copy is brought forward; this one ends before touching anything.
    if (HWND running = FindWindowW(L"Kavel_TORVEN", nullptr)) {
        SetForegroundWindow(running);
        return 0;
    }
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
