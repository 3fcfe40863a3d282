#include "MainWindow.h"

#include <commdlg.h>
#include <dbt.h>

#include "AppInfo.h"
#include "Attention.h"
#include "Browser.h"
#include "ButtonPaint.h"
#include "ControlIds.h"
#include "Controls.h"
#include "DeviceList.h"
#include "Meter.h"
#include "ProcessState.h"
#include "Recording.h"
#include "SeriesFiles.h"
#include "Skin.h"
#include "SoundSettings.h"

namespace {

constexpr wchar_t kClassName[] = L"Kavel_TORVEN";
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr WORD kIconId = 128;
constexpr COLORREF kFieldText = RGB(0, 255, 255);
constexpr COLORREF kLabelText = RGB(255, 255, 0);
// Posted to itself after a wake, so the box is not shown inside the system's power broadcast.
constexpr UINT kMsgAfterSleep = WM_APP + 1;
// The device list is read again this long after a device-node change: the audio endpoint reaches the
// wave-input list a moment after the event. A further change within that time restarts the wait.
constexpr UINT_PTR kDeviceTimer = 1;
constexpr UINT kDeviceSettleMs = 700;

// Why arming was refused.
constexpr wchar_t kStartKeyTaken[] = L"热键 Ctrl+Alt+F9 已被其他程序占用，无法准备录制。";
constexpr wchar_t kStopKeyTaken[] = L"热键 Ctrl+Alt+F8 已被其他程序占用，无法准备录制。";
constexpr wchar_t kNoDevice[] = L"没有找到音频输入设备，无法准备录制。";
constexpr wchar_t kNoFile[] = L"请先点击“选择...”选择要保存的MP3文件。";
constexpr wchar_t kDeviceGone[] =
    L"所选的音频输入设备“%s”已断开，无法准备录制。请重新连接该设备，或选择其他设备。";

HWND Control(int id) {
    return GetDlgItem(g_hMainWnd, id);
}

void SoundSettingsCommand() {
    HANDLE process = StartSoundSettings();
    if (process)
        CloseHandle(process);
}

void HelpCommand() {
    OpenUrlInBrowser(AppText(g_AppInfo.szHelpUrl));
}

void OnCommand(int id) {
    switch (id) {
    case IDC_BTN_BROWSE:
        BrowseCommand();
        break;
    case IDC_BTN_READY:
        EnterRecordingView();
        break;
    case IDC_BTN_AUDIOSETUP:
        SoundSettingsCommand();
        break;
    case IDC_BTN_HELP:
        HelpCommand();
        break;
    case IDC_BTN_BACK:
        LeaveRecordingView();
        break;
    case IDC_BTN_START:
        StartCommand();
        break;
    case IDC_BTN_STOP:
        StopCommand();
        break;
    }
}

void OnClose(HWND wnd) {
    // Closing is refused while recording is armed or a job runs.
    if (!g_pJob && IsWindowVisible(GetDlgItem(wnd, IDC_BTN_READY)))
        DestroyWindow(wnd);
}

void OnPaint(HWND wnd) {
    // The class background (the skin) is all there is to paint.
    PAINTSTRUCT ps;
    BeginPaint(wnd, &ps);
    EndPaint(wnd, &ps);
}

LRESULT ColourField(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kFieldText);
    SetBkColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(g_hBlackBrush);
}

// Labels show yellow text straight on the skin; the two read-only boxes look like fields.
LRESULT ColourStatic(HDC dc, HWND control) {
    const LONG id = GetWindowLongW(control, GWL_ID);
    if (id == IDC_EDIT_FILE || id == IDC_EDIT_STATUS)
        return ColourField(dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kLabelText);
    SetBkColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(g_hHollowBrush);
}

void OnHotKey(WPARAM id) {
    if (id == IDHK_START)
        StartCommand();
    else if (id == IDHK_STOP)
        StopCommand();
}

// Enter presses the focused button: dialog navigation asks for the default button and presses it.
// Elsewhere Enter does nothing, so typing in a field never arms or starts a recording.
LRESULT DefaultButton() {
    HWND focus = GetFocus();
    const int id = focus ? GetDlgCtrlID(focus) : 0;
    if (id < IDC_BTN_BROWSE || id > IDC_BTN_STOP || !IsWindowVisible(focus))
        return 0;
    return MAKELRESULT(id, DC_HASDEFID);
}

// The set-up view's list follows the system; the recording view finds its device by name at each
// start.
void RefreshSetUpDevices() {
    if (IsWindowVisible(Control(IDC_BTN_READY)))
        RefreshDeviceList(Control(IDC_COMBO_DEVICE));
}

// Windows sends this to every top-level window when a device node is added or removed.
void OnDeviceChange(HWND wnd) {
    if (!SetTimer(wnd, kDeviceTimer, kDeviceSettleMs, nullptr))
        RefreshSetUpDevices();
}

void OnTimer(HWND wnd, WPARAM id) {
    if (id != kDeviceTimer)
        return;
    KillTimer(wnd, kDeviceTimer);
    RefreshSetUpDevices();
}

void OnPowerBroadcast(HWND wnd, WPARAM event) {
    if (event == PBT_APMSUSPEND)
        StopForSleep();
    else if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND)
        PostMessageW(wnd, kMsgAfterSleep, 0, 0);
}

// Why arming must be refused (a device gone or none, no file, a limit the rule refuses, a combination
// another program holds), or null with both hot keys held.
const wchar_t* ArmingRefusal(wchar_t (&deviceGone)[128]) {
    wchar_t lost[kDeviceNameUnits];
    if (!RefreshDeviceList(Control(IDC_COMBO_DEVICE), lost)) {
        wsprintfW(deviceGone, kDeviceGone, lost);
        return deviceGone;
    }
    if (SendMessageW(Control(IDC_COMBO_DEVICE), CB_GETCOUNT, 0, 0) <= 0)
        return kNoDevice;
    if (GetWindowTextLengthW(Control(IDC_EDIT_FILE)) <= 0)
        return kNoFile;
    if (const wchar_t* limits = CheckSeriesLimits())
        return limits;
    if (!RegisterHotKey(g_hMainWnd, IDHK_START, MOD_CONTROL | MOD_ALT, VK_F9))
        return kStartKeyTaken;
    if (!RegisterHotKey(g_hMainWnd, IDHK_STOP, MOD_CONTROL | MOD_ALT, VK_F8))
        return kStopKeyTaken;
    return nullptr;
}

} // namespace

HWND CreateMainWindow() {
    CreateDrawingResources();

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = g_hInstance;
    wc.hIcon = LoadIconW(g_hInstance, MAKEINTRESOURCEW(kIconId));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = g_hSkinBrush;
    wc.lpszClassName = kClassName;
    wc.hIconSm = LoadIconW(g_hInstance, MAKEINTRESOURCEW(kIconId));
    RegisterClassExW(&wc);

    // Integer division truncates toward zero, so a small screen gives negative coordinates.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    HWND wnd = CreateWindowExW(WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE, kClassName, AppText(g_AppInfo.szTitle),
                               WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, kWidth, kHeight,
                               nullptr, nullptr, g_hInstance, nullptr);
    if (!wnd) {
        ReleaseDrawingResources();
        return nullptr;
    }
    CreateControls(wnd);
    CreateMeter(wnd);
    ShowWindow(wnd, SW_SHOW);
    UpdateWindow(wnd);
    return wnd;
}

LRESULT CALLBACK MainWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        ReleaseDrawingResources();
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        OnPaint(wnd);
        return 0;
    case WM_CLOSE:
        OnClose(wnd);
        return 0;
    case WM_DRAWITEM:
        DrawOwnerButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_COMMAND:
        // A double-click runs its command once: its second click is not a command of its own,
        // nor on the button that appeared where the first one was pressed.
        if (LOWORD(wParam) >= IDC_BTN_BROWSE && LOWORD(wParam) <= IDC_BTN_STOP) {
            if (HIWORD(wParam) != BN_DOUBLECLICKED && !IsLeftoverButtonClick(LOWORD(wParam)))
                OnCommand(LOWORD(wParam));
            return 0;
        }
        // A device enabled or disabled in the sound settings sends no device-node change.
        if (LOWORD(wParam) == IDC_COMBO_DEVICE && HIWORD(wParam) == CBN_DROPDOWN)
            RefreshSetUpDevices();
        break;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return ColourField(reinterpret_cast<HDC>(wParam));
    case WM_CTLCOLORSTATIC:
        return ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(g_hHollowBrush);
    case WM_HOTKEY:
        OnHotKey(wParam);
        return 0;
    case WM_ENDSESSION:
        // Windows may end the process once this returns: the file gets its tag first.
        if (wParam)
            StopCommand();
        return 0;
    case WM_DEVICECHANGE:
        if (wParam == DBT_DEVNODES_CHANGED || wParam == DBT_DEVICEARRIVAL ||
            wParam == DBT_DEVICEREMOVECOMPLETE)
            OnDeviceChange(wnd);
        return TRUE;
    case WM_TIMER:
        OnTimer(wnd, wParam);
        return 0;
    case WM_POWERBROADCAST:
        OnPowerBroadcast(wnd, wParam);
        return TRUE;
    case kMsgAfterSleep:
        TellAfterSleep();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            NoteFocus(wnd);
        break;
    case WM_SETFOCUS:
        RestoreFocus(wnd);
        return 0;
    case DM_GETDEFID:
        return DefaultButton();
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}

void BrowseCommand() {
    wchar_t file[kFileNameUnits] = L"";
    OPENFILENAMEW ofn = {};
    // The structure's own size: on x64 it is larger than the 32-bit layout.
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = g_hMainWnd;
    ofn.hInstance = g_hInstance;
    ofn.lpstrFilter = L"MP3文件(*.mp3)\0*.mp3\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = kFileNameUnits;
    // Documented form: no period. A name typed without an extension becomes name.mp3.
    ofn.lpstrDefExt = L"mp3";
    // The current folder stays the program's own; the dialog would otherwise move it to the chosen
    // folder and keep that folder in use.
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT | OFN_EXPLORER |
                OFN_LONGNAMES | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (GetSaveFileNameW(&ofn) == 1)
        SetWindowTextW(Control(IDC_EDIT_FILE), file);
}

void EnterRecordingView() {
    // Refused: stay in the set-up view with every setting as it is, and say why.
    wchar_t deviceGone[128];
    if (const wchar_t* refusal = ArmingRefusal(deviceGone)) {
        UnregisterHotKey(g_hMainWnd, IDHK_START);
        UnregisterHotKey(g_hMainWnd, IDHK_STOP);
        ShowNotice(refusal);
        return;
    }
    SetWindowTextW(Control(IDC_EDIT_STATUS), L"Ctrl+Alt+F9 开始 Ctrl+Alt+F8 结束");
    ShowControls(IDC_FIRST_SETUP, IDC_LAST_SETUP, SW_HIDE);
    ShowControls(IDC_BTN_BACK, IDC_BTN_START, SW_SHOW);
    ShowControls(IDC_EDIT_STATUS, IDC_METER, SW_SHOW);
    ArmSeries();
}

void LeaveRecordingView() {
    UnregisterHotKey(g_hMainWnd, IDHK_START);
    UnregisterHotKey(g_hMainWnd, IDHK_STOP);
    // On the UI thread, like the tick and the commands, so no lock is needed.
    StopJob();
    SetWindowTextW(Control(IDC_EDIT_FILE), L"");
    ShowControls(IDC_FIRST_SETUP, IDC_LAST_SETUP, SW_SHOW);
    ShowControls(IDC_FIRST_RECORDING, IDC_LAST_RECORDING, SW_HIDE);
    // Devices may have come and gone while the recording view hid the list.
    RefreshDeviceList(Control(IDC_COMBO_DEVICE));
}
