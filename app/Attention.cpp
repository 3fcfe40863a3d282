#include "Attention.h"

#include "ProcessState.h"

namespace {

uint32_t g_nAttention = 0;
bool g_bFlashing = false;

void Flash(DWORD how) {
    FLASHWINFO info = {sizeof info, g_hMainWnd, how, 0, 0};
    FlashWindowEx(&info);
}

} // namespace

// A window owned by a minimised one is hidden with it: while the main window is minimised (a hot key
// pressed while the user works elsewhere) the box stands on its own, in front.
void ShowNotice(const wchar_t* text) {
    const bool minimised = IsIconic(g_hMainWnd);
    MessageBoxW(minimised ? nullptr : g_hMainWnd, text, L"提示",
                MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | (minimised ? MB_TOPMOST : 0));
}

// The flash goes on by itself until the window comes to the front; it is started again when the
// window goes behind while the cause lasts, and stopped once the cause is gone.
void SetAttention(uint32_t reason, bool wanted) {
    g_nAttention = wanted ? g_nAttention | reason : g_nAttention & ~reason;
    const bool front = GetForegroundWindow() == g_hMainWnd;
    if (g_nAttention && !front && !g_bFlashing) {
        Flash(FLASHW_TRAY | FLASHW_TIMERNOFG);
        g_bFlashing = true;
    } else if (!g_nAttention && g_bFlashing) {
        Flash(FLASHW_STOP);
        g_bFlashing = false;
    } else if (front) {
        g_bFlashing = false;
    }
}
