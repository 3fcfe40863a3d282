#include "Recording.h"

#include "ControlIds.h"
#include "Controls.h"
#include "JobCenter.h"
#include "Meter.h"
#include "ProcessState.h"
#include "SeriesRules.h"

CJobCenter* g_pJob = nullptr;
int32_t g_nFileIndex = 0;
uint32_t g_nSplitBytes = 0;
uint32_t g_nDurationMs = 0;
DWORD g_dwStartTick = 0;

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

UINT_PTR g_nStatusTimer = 0; // exists exactly while a job runs
constexpr UINT kStatusPeriodMs = 1000;
constexpr int kLimitTextUnits = 1023;
constexpr int kLimitTextBytes = 1024;

// A limit field's text in the ANSI code page, as the number parser reads it; empty when the
// field is empty or its text does not fit.
void ReadLimitText(int id, char (&text)[kLimitTextBytes]) {
    wchar_t wide[kLimitTextUnits];
    text[0] = 0;
    if (GetDlgItemTextW(g_hMainWnd, id, wide, kLimitTextUnits) <= 0)
        return;
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, text, kLimitTextBytes, nullptr,
                            nullptr) <= 0)
        text[0] = 0;
}

int FileExists(const char16_t* name, void*) {
    return GetFileAttributesW(reinterpret_cast<const wchar_t*>(name)) != INVALID_FILE_ATTRIBUTES;
}

int SelectedPosition(int id) {
    return static_cast<int>(SendDlgItemMessageW(g_hMainWnd, id, CB_GETCURSEL, 0, 0));
}

void ShowRecordingButtons() {
    ShowControls(IDC_BTN_START, IDC_BTN_START, SW_HIDE);
    ShowControls(IDC_BTN_STOP, IDC_BTN_STOP, SW_SHOW);
}

void ShowIdleButtons() {
    ShowControls(IDC_BTN_STOP, IDC_BTN_STOP, SW_HIDE);
    ShowControls(IDC_BTN_START, IDC_BTN_START, SW_SHOW);
}

// The series' next file name and its number; 0 when no name fits.
int NextFileName(wchar_t (&name)[kFileNameUnits], int32_t* index) {
    wchar_t base[kFileNameUnits];
    GetDlgItemTextW(g_hMainWnd, IDC_EDIT_FILE, base, kFileNameUnits);
    return MakeSeriesFileName(reinterpret_cast<const char16_t*>(base), g_nFileIndex, FileExists, nullptr,
                              reinterpret_cast<char16_t*>(name), kFileNameUnits, index);
}

// At the split size the running job goes on in the next file: the capture never stops.
int SwitchToNextFile() {
    wchar_t name[kFileNameUnits];
    int32_t index = 0;
    if (!g_pJob || !NextFileName(name, &index) || !g_pJob->SwitchFile(name))
        return 0;
    g_nFileIndex = index + 1;
    return 1;
}

void ShowDeviceFault() {
    MessageBoxW(g_hMainWnd, L"输入设备已停止传送声音，录音已结束，已录下的内容已保存。", L"提示",
                MB_OK | MB_ICONWARNING);
}

} // namespace

void ArmSeries() {
    char text[kLimitTextBytes];
    ReadLimitText(IDC_EDIT_SPLITSIZE, text);
    g_nSplitBytes = SplitBytesFromText(text);
    ReadLimitText(IDC_EDIT_DURATION, text);
    g_nDurationMs = DurationMsFromText(text);
    g_dwStartTick = 0;
    g_nFileIndex = 0;
}

int StartJob() {
    if (g_pJob)
        return 0;
    wchar_t name[kFileNameUnits];
    int32_t index = 0;
    if (!NextFileName(name, &index))
        return 0;
    SJobSettings s;
    if (!JobSettingsFromPositions(SelectedPosition(IDC_COMBO_DEVICE), SelectedPosition(IDC_COMBO_QUALITY),
                                  SelectedPosition(IDC_COMBO_CHANNELS),
                                  SelectedPosition(IDC_COMBO_SAMPLERATE), SelectedPosition(IDC_COMBO_BITRATE),
                                  &s))
        return 0;

    // Only the chosen file, whose replacement the save dialog confirmed, may replace one on disk.
    g_pJob = CJobCenter::Create(name, s.deviceIndex, s.quality, s.channels, s.sampleRate, s.bitRateFactor,
                                index == 0);
    if (!g_pJob)
        return 0;
    // The series' clock starts with its first job, even one that then fails to start.
    if (g_dwStartTick == 0)
        g_dwStartTick = GetTickCount();
    if (!g_pJob->Start()) {
        StopJob();
        return 0;
    }
    g_nFileIndex = index + 1;
    SetDlgItemTextW(g_hMainWnd, IDC_EDIT_STATUS, L"");
    g_nStatusTimer = SetTimer(nullptr, 0, kStatusPeriodMs, StatusTimerProc);
    StartMeter(g_pJob);
    // Recorders lose hours to an idle sleep: the system stays awake while a job runs.
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
    return 1;
}

void StopJob() {
    StopMeter();
    if (g_nStatusTimer) {
        KillTimer(nullptr, g_nStatusTimer);
        g_nStatusTimer = 0;
    }
    if (g_pJob) {
        // Returns when the file is complete and closed, and deletes the job.
        g_pJob->Stop();
        g_pJob = nullptr;
        SetThreadExecutionState(ES_CONTINUOUS);
    }
}

void StartCommand() {
    ShowRecordingButtons();
    WaitForSingleObject(g_hRecordMutex, INFINITE);
    StartJob();
    // A job that was already running goes on, and its stop button stays.
    if (!g_pJob)
        ShowIdleButtons();
    ReleaseMutex(g_hRecordMutex);
}

void StopCommand() {
    ShowIdleButtons();
    WaitForSingleObject(g_hRecordMutex, INFINITE);
    StopJob();
    ReleaseMutex(g_hRecordMutex);
}

void ShowStatus() {
    if (!g_pJob)
        return;
    char16_t text[kStatusTextUnits];
    FormatStatusText(g_pJob->GetWrittenBytes(), MeterStatusWarnings(), text, kStatusTextUnits);
    SetDlgItemTextW(g_hMainWnd, IDC_EDIT_STATUS, reinterpret_cast<const wchar_t*>(text));
}

void CALLBACK StatusTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    WaitForSingleObject(g_hRecordMutex, INFINITE);
    // A device that stopped delivering ends the recording: its worker has finished the file. The
    // time limit bounds the whole series and wins over a split due in the same tick.
    const int deviceFailed = g_pJob && g_pJob->HasFailed();
    if (deviceFailed || TimeLimitPassed(GetTickCount(), g_dwStartTick, g_nDurationMs)) {
        StopJob();
        ShowIdleButtons();
        ReleaseMutex(g_hRecordMutex);
        // Outside the lock: the box's message loop may run hot-key commands.
        if (deviceFailed)
            ShowDeviceFault();
        return;
    }
    const uint32_t written = g_pJob ? g_pJob->GetWrittenBytes() : 0;
    ShowStatus();
    if (SplitDue(written, g_nSplitBytes) && !SwitchToNextFile()) {
        StopJob();
        ShowIdleButtons();
    }
    ReleaseMutex(g_hRecordMutex);
}
