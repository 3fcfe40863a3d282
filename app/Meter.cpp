#include "Meter.h"

#include "Attention.h"
#include "ControlIds.h"
#include "InputLevel.h"
#include "JobCenter.h"
#include "MeterPaint.h"
#include "MeterRules.h"
#include "ProcessState.h"
#include "Recording.h"
#include "SeriesRules.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr wchar_t kMeterClass[] = L"Kavel_Meter";
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 100;

HWND g_hMeter = nullptr;
structJobKavel* g_pMeterJob = nullptr; // the running job; null while none runs
DWORD g_dwMeterStart = 0;
SMeterState g_Meter = MeterAtStart();
int g_bClipped = 0;
uint32_t g_nSilence = 0;
SMeterPicture g_Picture = {};
// The control's text as last set: reading it back would cost a message every tick.
char16_t g_szShown[kMeterTextUnits] = u"";

// Text and picture anew; painted only when either changed.
void ShowReading() {
    char16_t text[kMeterTextUnits] = u"";
    SMeterPicture picture = {};
    if (g_pMeterJob) {
        FormatMeterText(g_Meter.barDb, g_bClipped, GetTickCount() - g_dwMeterStart, text, kMeterTextUnits);
        picture = {1, MeterPixels(g_Meter.barDb, kMeterScalePx), MeterPixels(g_Meter.holdDb, kMeterScalePx),
                   g_bClipped};
    }
    if (picture == g_Picture && std::u16string_view(text) == g_szShown)
        return;
    g_Picture = picture;
    std::copy_n(text, kMeterTextUnits, g_szShown);
    SetWindowTextW(g_hMeter, reinterpret_cast<const wchar_t*>(text));
    InvalidateRect(g_hMeter, nullptr, FALSE);
}

void OnTick() {
    if (!g_pMeterJob)
        return;
    const SLevelReading reading = g_pMeterJob->ReadLevel();
    StepMeter(&g_Meter, PeakDbfs(reading.peak), reading.newMs);
    g_bClipped = reading.clipped;
    ShowReading();
    const uint32_t silence = SilenceState(reading);
    // The taskbar button flashes while the input gives only zeros and the window is behind.
    SetAttention(kAttentionSilent, (silence & kSilenceZero) != 0);
    const bool changed = ((silence ^ g_nSilence) & kSilenceQuiet) != 0;
    g_nSilence = silence;
    // At once rather than at the next once-a-second status update: the warning clears within a
    // second of sound.
    if (changed)
        ShowStatus();
}

LRESULT CALLBACK MeterProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the paint covers the whole control
    case WM_PAINT:
        PaintMeter(wnd, g_Picture);
        return 0;
    case WM_TIMER:
        OnTick();
        return 0;
    case WM_DESTROY:
        ReleaseMeterDrawing();
        g_hMeter = nullptr;
        return 0;
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}

} // namespace

HWND CreateMeter(HWND mainWnd) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MeterProc;
    wc.hInstance = g_hInstance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kMeterClass;
    RegisterClassExW(&wc);
    CreateMeterDrawing();
    g_hMeter =
        CreateWindowExW(0, kMeterClass, L"", WS_CHILD, kMeterX, kMeterY, kMeterWidth, kMeterHeight, mainWnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_METER)), g_hInstance, nullptr);
    return g_hMeter;
}

void StartMeter(structJobKavel* job) {
    g_pMeterJob = job;
    g_dwMeterStart = GetTickCount();
    g_Meter = MeterAtStart();
    g_bClipped = 0;
    g_nSilence = 0;
    if (g_hMeter)
        SetTimer(g_hMeter, kTickTimer, kTickMs, nullptr);
    ShowReading();
}

void StopMeter() {
    if (g_hMeter)
        KillTimer(g_hMeter, kTickTimer);
    g_pMeterJob = nullptr;
    g_nSilence = 0;
    SetAttention(kAttentionSilent, false);
    ShowReading();
}

uint32_t MeterStatusWarnings() {
    return g_nSilence & kSilenceQuiet ? uint32_t{kStatusNoInput} : 0;
}
