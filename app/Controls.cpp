// Creation of the main window's controls from one table, and the option lists.
#include "Controls.h"

#include "ClickRules.h"
#include "ControlIds.h"
#include "DeviceList.h"
#include "ProcessState.h"
#include "Skin.h"

namespace {

// Style kinds of the table. Fields and buttons are tab stops, in creation order, which is reading
// order; labels and the status box are not.
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_RIGHT;
constexpr DWORD kPathBox = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL;
constexpr DWORD kList =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_AUTOHSCROLL | CBS_HASSTRINGS;
constexpr DWORD kNumberBox = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER | ES_AUTOHSCROLL;
constexpr DWORD kStatusBox = WS_CHILD | ES_CENTER | ES_READONLY | ES_AUTOHSCROLL;
constexpr DWORD kVisibleButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD kHiddenButton = WS_CHILD | WS_TABSTOP | BS_OWNERDRAW;
static_assert(kLabel == 0x50000002 && kPathBox == 0x50010880 && kList == 0x50010243 &&
              kNumberBox == 0x50012080 && kStatusBox == 0x40000881 && kVisibleButton == 0x5001000B &&
              kHiddenButton == 0x4001000B);

// When each control was last shown, and whether the pointer was over it then.
struct SShown {
    DWORD tick;
    bool underPointer;
};
SShown g_Shown[IDC_LAST_RECORDING + 1];
// The control that has the keyboard focus, or gets it back when the window comes to the front.
HWND g_hFocus = nullptr;

// The pointer as of the input being handled (the click that showed the control), not as of now:
// the cursor position another process set may reach this one late.
void NoteShown(int id, HWND control) {
    const DWORD at = GetMessagePos();
    const POINT pointer = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    RECT rect;
    const bool under = GetWindowRect(control, &rect) && PtInRect(&rect, pointer);
    g_Shown[id] = {GetTickCount(), under};
}

struct SOptionList {
    const wchar_t* const* entries; // null: the audio input devices
    int count;
    int selected;
};

const wchar_t* const kChannelNames[] = {L"单声道", L"双声道 (推荐)"};
const wchar_t* const kSampleRateNames[] = {L"8000Hz 语音音质", L"22050Hz 广播ＦＭ音质",
                                           L"44100Hz ＣＤ音质(推荐)", L"48000Hz ＤＶＤ音质",
                                           L"96000Hz 录音室音质"};
const wchar_t* const kBitRateNames[] = {L"1 倍位率", L"2 倍位率(推荐)", L"3 倍位率"};
const wchar_t* const kQualityNames[] = {L"质量最好 (推荐)", L"适中", L"速度最快"};

constexpr SOptionList kDevices = {nullptr, 0, 0};
constexpr SOptionList kChannels = {kChannelNames, 2, 1};
constexpr SOptionList kSampleRates = {kSampleRateNames, 5, 2};
constexpr SOptionList kBitRates = {kBitRateNames, 3, 1};
constexpr SOptionList kQualities = {kQualityNames, 3, 0};

struct SControlRow {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    int x, y, w, h; // a list's height includes its drop-down part
    const SOptionList* list;
};

// In creation order. Rows are 28 pixels apart; the status box and the start, stop and back
// buttons (the recording group) start hidden.
constexpr SControlRow kControls[] = {
    {IDC_LBL_FILE, L"STATIC", L"ＭＰ３文件", kLabel, 0, 40, 104, 120, 24, nullptr},
    {IDC_EDIT_FILE, L"EDIT", L"", kPathBox, WS_EX_CLIENTEDGE, 164, 104, 320, 24, nullptr},
    {IDC_BTN_BROWSE, L"BUTTON", L"选择...", kVisibleButton, 0, 488, 104, 120, 24, nullptr},
    {IDC_LBL_DEVICE, L"STATIC", L"音频设备", kLabel, 0, 40, 132, 120, 24, nullptr},
    {IDC_COMBO_DEVICE, L"COMBOBOX", L"", kList, 0, 164, 132, 320, 240, &kDevices},
    {IDC_BTN_AUDIOSETUP, L"BUTTON", L"调整音频", kVisibleButton, 0, 488, 132, 120, 24, nullptr},
    {IDC_LBL_CHANNELS, L"STATIC", L"声    道", kLabel, 0, 40, 160, 120, 24, nullptr},
    {IDC_COMBO_CHANNELS, L"COMBOBOX", L"", kList, 0, 164, 160, 320, 240, &kChannels},
    {IDC_LBL_SAMPLERATE, L"STATIC", L"采 样 率", kLabel, 0, 40, 188, 120, 24, nullptr},
    {IDC_COMBO_SAMPLERATE, L"COMBOBOX", L"", kList, 0, 164, 188, 320, 240, &kSampleRates},
    {IDC_LBL_BITRATE, L"STATIC", L"压缩位率", kLabel, 0, 40, 216, 120, 24, nullptr},
    {IDC_COMBO_BITRATE, L"COMBOBOX", L"", kList, 0, 164, 216, 320, 240, &kBitRates},
    {IDC_LBL_QUALITY, L"STATIC", L"音频质量", kLabel, 0, 40, 244, 120, 24, nullptr},
    {IDC_COMBO_QUALITY, L"COMBOBOX", L"", kList, 0, 164, 244, 320, 240, &kQualities},
    {IDC_LBL_SPLITSIZE, L"STATIC", L"单个MP3(MB)", kLabel, 0, 40, 272, 120, 24, nullptr},
    {IDC_EDIT_SPLITSIZE, L"EDIT", L"0", kNumberBox, WS_EX_CLIENTEDGE, 164, 272, 320, 24, nullptr},
    {IDC_LBL_DURATION, L"STATIC", L"录制时长(分钟)", kLabel, 0, 40, 300, 120, 24, nullptr},
    {IDC_EDIT_DURATION, L"EDIT", L"0", kNumberBox, WS_EX_CLIENTEDGE, 164, 300, 320, 24, nullptr},
    {IDC_BTN_HELP, L"BUTTON", L"使用帮助", kVisibleButton, 0, 488, 300, 120, 24, nullptr},
    {IDC_EDIT_STATUS, L"EDIT", L"", kStatusBox, WS_EX_CLIENTEDGE, 160, 310, 320, 24, nullptr},
    {IDC_BTN_START, L"BUTTON", L"开始录制", kHiddenButton, 0, 198, 352, 120, 24, nullptr},
    {IDC_BTN_STOP, L"BUTTON", L"停止录制", kHiddenButton, 0, 198, 352, 120, 24, nullptr},
    {IDC_BTN_BACK, L"BUTTON", L"结束返回", kHiddenButton, 0, 322, 352, 120, 24, nullptr},
    {IDC_BTN_READY, L"BUTTON", L"准备就绪", kVisibleButton, 0, 260, 352, 120, 24, nullptr},
};
static_assert(sizeof kControls / sizeof kControls[0] == 24);

void FillList(HWND combo, const SOptionList& list) {
    if (!list.entries) {
        RefreshDeviceList(combo);
        return;
    }
    AddComboStrings(combo, list.entries, list.count);
    SendMessageW(combo, CB_SETCURSEL, list.selected, 0);
}

} // namespace

void CreateControls(HWND mainWnd) {
    for (const SControlRow& row : kControls) {
        HWND control = CreateWindowExW(row.exStyle, row.className, row.text, row.style, row.x, row.y, row.w,
                                       row.h, mainWnd, nullptr, g_hInstance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(g_hFont), 0);
        SetWindowLongW(control, GWL_ID, row.id);
        if (row.list)
            FillList(control, *row.list);
    }
}

void AddComboStrings(HWND combo, const wchar_t* const* strings, int count) {
    for (int i = 0; i < count; ++i)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(strings[i]));
}

void ShowControls(int firstId, int lastId, int showCommand) {
    for (int id = firstId; id <= lastId; ++id) {
        HWND control = GetDlgItem(g_hMainWnd, id);
        const bool wasShown = (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
        ShowWindow(control, showCommand);
        if (showCommand != SW_HIDE && !wasShown && id >= 0 && id <= IDC_LAST_RECORDING)
            NoteShown(id, control);
    }
    KeepFocusVisible(g_hMainWnd);
}

// A hidden control hands the focus to the window; the keyboard then reaches nothing until the focus
// is put on a control that is shown. While the window is behind, the control is only noted for
// when it comes to the front: SetFocus would bring it there.
void KeepFocusVisible(HWND wnd) {
    HWND focus = GetFocus();
    if (focus && IsChild(wnd, focus) && IsWindowVisible(focus))
        return;
    g_hFocus = GetNextDlgTabItem(wnd, nullptr, FALSE);
    if (GetActiveWindow() == wnd && g_hFocus)
        SetFocus(g_hFocus);
}

void NoteFocus(HWND wnd) {
    HWND focus = GetFocus();
    if (focus && IsChild(wnd, focus))
        g_hFocus = focus;
}

void RestoreFocus(HWND wnd) {
    if (!g_hFocus || !IsWindowVisible(g_hFocus))
        g_hFocus = GetNextDlgTabItem(wnd, nullptr, FALSE);
    if (g_hFocus)
        SetFocus(g_hFocus);
}

bool IsLeftoverButtonClick(int id) {
    if (id < 0 || id > IDC_LAST_RECORDING)
        return false;
    return IsLeftoverClick(GetTickCount(), g_Shown[id].tick, g_Shown[id].underPointer, GetDoubleClickTime());
}
