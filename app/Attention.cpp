#include "Attention.h"

#include "ProcessState.h"

namespace {

uint32_t g_nAttention = 0;
bool g_bFlashing = false;
bool g_bBoxFlashing = false; // a box stands alone: the flash is its until it is answered

void Flash(DWORD how) {
    FLASHWINFO info = {sizeof info, g_hMainWnd, how, 0, 0};
    FlashWindowEx(&info);
}

} // namespace

// A box raised while the user works elsewhere (a timer, a power or device message, a hot key) may
// stay behind the window in front, since MB_SETFOREGROUND is subject to the foreground rules, and a
// box owned by a minimised window is hidden with it. So unless the main window (or a window it owns)
// is in front, the box stands on its own, topmost, and the taskbar button flashes until it is
// answered.
void ShowNotice(const wchar_t* text) {
    HWND front = GetForegroundWindow();
    const bool inFront = front && !IsIconic(g_hMainWnd) && GetAncestor(front, GA_ROOTOWNER) == g_hMainWnd;
    if (inFront) {
        MessageBoxW(g_hMainWnd, text, L"提示", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
        return;
    }
    const bool nested = g_bBoxFlashing; // a box from a timer while another box is up
    g_bBoxFlashing = true;
    Flash(FLASHW_TRAY | FLASHW_TIMER);
    MessageBoxW(nullptr, text, L"提示", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND | MB_TOPMOST);
    if (nested)
        return;
    g_bBoxFlashing = false;
    Flash(FLASHW_STOP);
    // A warning that still holds flashes on as before.
    g_bFlashing = false;
    SetAttention(0, false);
}

// The flash goes on by itself until the window comes to the front; it is started again when the
// window goes behind while the cause lasts, and stopped once the cause is gone.
void SetAttention(uint32_t reason, bool wanted) {
    g_nAttention = wanted ? g_nAttention | reason : g_nAttention & ~reason;
    if (g_bBoxFlashing)
        return;
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
