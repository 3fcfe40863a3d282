#include "Recording.h"

#include <mmsystem.h>

#include "Attention.h"
#include "ControlIds.h"
#include "Controls.h"
#include "DeviceList.h"
#include "FaultText.h"
#include "JobCenter.h"
#include "LongPath.h"
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
// Every file call takes the extended form of the name, which may be this much longer.
constexpr size_t kSystemNameUnits = kFileNameUnits + kExtendedPrefixUnits;

// A fault that ended or refused a recording, told once the lock is let go: the box's message loop
// may run hot-key commands.
struct SPendingFault {
    SJobFault job;
    EFaultMoment moment;
    wchar_t file[kFileNameUnits];
    wchar_t device[kDeviceNameUnits];
};
SPendingFault g_Fault;
bool g_bFaultPending = false;
bool g_bEndedBySleep = false;

const char16_t* Text16(const wchar_t* text) {
    return reinterpret_cast<const char16_t*>(text);
}

uint32_t LimitFromField(int id, uint32_t (*parse)(const char16_t*)) {
    wchar_t text[kLimitTextUnits];
    if (GetDlgItemTextW(g_hMainWnd, id, text, kLimitTextUnits) <= 0)
        text[0] = 0;
    return parse(Text16(text));
}

// The name every file call takes: the full path in its extended form, so that a path beyond 260
// units works like any other.
int SystemName(const wchar_t* plain, wchar_t (&out)[kSystemNameUnits]) {
    wchar_t full[kFileNameUnits];
    const DWORD units = GetFullPathNameW(plain, kFileNameUnits, full, nullptr);
    if (units == 0 || units >= kFileNameUnits)
        return 0;
    return ExtendedPath(Text16(full), reinterpret_cast<char16_t*>(out), kSystemNameUnits);
}

int FileExists(const char16_t* name, void*) {
    wchar_t system[kSystemNameUnits];
    return SystemName(reinterpret_cast<const wchar_t*>(name), system) &&
           GetFileAttributesW(system) != INVALID_FILE_ATTRIBUTES;
}

int SelectedPosition(int id) {
    return static_cast<int>(SendDlgItemMessageW(g_hMainWnd, id, CB_GETCURSEL, 0, 0));
}

// The new button is shown before the old one goes, so that the keyboard focus passes from one to the
// other and never to "结束返回", where the next Enter would end the series.
void ShowRecordingButtons() {
    ShowControls(IDC_BTN_STOP, IDC_BTN_STOP, SW_SHOW);
    ShowControls(IDC_BTN_START, IDC_BTN_START, SW_HIDE);
}

void ShowIdleButtons() {
    ShowControls(IDC_BTN_START, IDC_BTN_START, SW_SHOW);
    ShowControls(IDC_BTN_STOP, IDC_BTN_STOP, SW_HIDE);
}

void NoteFault(const SJobFault& fault, EFaultMoment moment, const wchar_t* file, const wchar_t* device) {
    g_Fault.job = fault;
    g_Fault.moment = moment;
    lstrcpynW(g_Fault.file, file, kFileNameUnits);
    lstrcpynW(g_Fault.device, device, kDeviceNameUnits);
    g_bFaultPending = true;
}

// The system's own words for the fault's code, in the user's language.
void ReasonText(const SJobFault& fault, wchar_t* out, DWORD units) {
    out[0] = 0;
    if (fault.kind == kJobDeviceOpen || fault.kind == kJobDeviceStart) {
        waveInGetErrorTextW(fault.code, out, units);
        return;
    }
    if (fault.code != 0 && FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                          fault.code, 0, out, units, nullptr) == 0)
        out[0] = 0;
    for (DWORD n = lstrlenW(out); n > 0 && (out[n - 1] == L'\r' || out[n - 1] == L'\n'); --n)
        out[n - 1] = 0; // the system's texts end with a line break
}

void ShowPendingFault() {
    if (!g_bFaultPending)
        return;
    g_bFaultPending = false;
    wchar_t reason[512];
    ReasonText(g_Fault.job, reason, 512);
    static wchar_t text[kFileNameUnits + 1024];
    if (FormatFaultText(g_Fault.job, g_Fault.moment, Text16(g_Fault.file), Text16(g_Fault.device),
                        Text16(reason), reinterpret_cast<char16_t*>(text), sizeof text / sizeof text[0]))
        ShowNotice(text);
}

// The series' next file name (plain, as the user sees it) and its number; 0 when no name fits.
int NextFileName(wchar_t (&name)[kFileNameUnits], int32_t* index) {
    wchar_t base[kFileNameUnits];
    GetDlgItemTextW(g_hMainWnd, IDC_EDIT_FILE, base, kFileNameUnits);
    if (MakeSeriesFileName(Text16(base), g_nFileIndex, FileExists, nullptr, reinterpret_cast<char16_t*>(name),
                           kFileNameUnits, index))
        return 1;
    lstrcpynW(name, base, kFileNameUnits); // the name a box can give
    return 0;
}

// One try at the next file of a split; the job goes on in it without stopping the capture.
int TrySwitch(wchar_t (&name)[kFileNameUnits], SJobFault* fault) {
    wchar_t system[kSystemNameUnits];
    int32_t index = 0;
    *fault = {kJobFileCreate, ERROR_FILENAME_EXCED_RANGE};
    if (!NextFileName(name, &index) || !SystemName(name, system) || !g_pJob->SwitchFile(system, fault))
        return 0;
    g_nFileIndex = index + 1;
    return 1;
}

// A file may appear under the free name between the check and the creation: the next free number
// is tried once more before the recording ends.
int SwitchToNextFile() {
    wchar_t name[kFileNameUnits];
    SJobFault fault;
    if (TrySwitch(name, &fault) || TrySwitch(name, &fault))
        return 1;
    NoteFault(fault, kFaultAtSplit, name, L"");
    return 0;
}

} // namespace

void ArmSeries() {
    g_nSplitBytes = LimitFromField(IDC_EDIT_SPLITSIZE, SplitBytesFromText);
    g_nDurationMs = LimitFromField(IDC_EDIT_DURATION, DurationMsFromText);
    g_dwStartTick = 0;
    g_nFileIndex = 0;
}

int StartJob() {
    if (g_pJob)
        return 0;
    wchar_t name[kFileNameUnits], system[kSystemNameUnits], device[kDeviceNameUnits];
    int32_t index = 0;
    SJobFault fault = {kJobFileCreate, ERROR_FILENAME_EXCED_RANGE};
    if (!NextFileName(name, &index) || !SystemName(name, system)) {
        NoteFault(fault, kFaultAtStart, name, L"");
        return 0;
    }
    // The list may show a device that has gone since: the chosen one is found by its name.
    const int deviceIndex = FindChosenDevice(GetDlgItem(g_hMainWnd, IDC_COMBO_DEVICE), device);
    SJobSettings s;
    if (deviceIndex < 0 || !JobSettingsFromPositions(deviceIndex, SelectedPosition(IDC_COMBO_QUALITY),
                                                     SelectedPosition(IDC_COMBO_CHANNELS),
                                                     SelectedPosition(IDC_COMBO_SAMPLERATE),
                                                     SelectedPosition(IDC_COMBO_BITRATE), &s)) {
        NoteFault({kJobDeviceMissing, 0}, kFaultAtStart, name, device);
        return 0;
    }

    // Only the chosen file, whose replacement the save dialog confirmed, may replace one on disk.
    g_pJob = CJobCenter::Create(system, s.deviceIndex, s.quality, s.channels, s.sampleRate, s.bitRateFactor,
                                index == 0, &fault);
    if (!g_pJob) {
        NoteFault(fault, kFaultAtStart, name, device);
        return 0;
    }
    // The series' clock starts with its first job, even one that then fails to start.
    if (g_dwStartTick == 0)
        g_dwStartTick = GetTickCount();
    if (!g_pJob->Start(&fault)) {
        NoteFault(fault, kFaultAtStart, name, device);
        StopJob();
        return 0;
    }
    g_nFileIndex = index + 1;
    SetAttention(kAttentionLost, false);
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
        ShowStatus(); // the last figures of a recording, a loss in its last second included
        KillTimer(nullptr, g_nStatusTimer);
        g_nStatusTimer = 0;
    }
    if (g_pJob) {
        // Returns when the file is complete and closed, and deletes the job.
        g_pJob->Stop();
        g_pJob = nullptr;
        SetThreadExecutionState(ES_CONTINUOUS);
    }
    SetAttention(kAttentionDisk, false);
}

void StartCommand() {
    ShowRecordingButtons();
    WaitForSingleObject(g_hRecordMutex, INFINITE);
    StartJob();
    // A job that was already running goes on, and its stop button stays.
    if (!g_pJob)
        ShowIdleButtons();
    ReleaseMutex(g_hRecordMutex);
    ShowPendingFault();
}

void StopCommand() {
    ShowIdleButtons();
    WaitForSingleObject(g_hRecordMutex, INFINITE);
    StopJob();
    ReleaseMutex(g_hRecordMutex);
}

// Windows gives about two seconds here: the recording is finished now, and told after the wake.
void StopForSleep() {
    if (!g_pJob)
        return;
    StopCommand();
    g_bEndedBySleep = true;
}

void TellAfterSleep() {
    if (!g_bEndedBySleep)
        return;
    g_bEndedBySleep = false;
    ShowNotice(reinterpret_cast<const wchar_t*>(kSleepText));
}

void ShowStatus() {
    if (!g_pJob)
        return;
    const bool diskRefuses = g_pJob->IsWriteFailing();
    // Audio lost to a full capture ring stays told, in the text and the flash, until the next start:
    // the user must learn that the recording has a hole.
    const uint32_t lostMs = g_pJob->GetLostMs();
    char16_t text[kStatusTextUnits];
    FormatStatusText(g_pJob->GetWrittenBytes(),
                     (diskRefuses ? uint32_t{kStatusDiskRefuses} : 0u) | MeterStatusWarnings(), lostMs, text,
                     kStatusTextUnits);
    SetDlgItemTextW(g_hMainWnd, IDC_EDIT_STATUS, reinterpret_cast<const wchar_t*>(text));
    SetAttention(kAttentionDisk, diskRefuses);
    SetAttention(kAttentionLost, lostMs != 0);
}

void CALLBACK StatusTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    WaitForSingleObject(g_hRecordMutex, INFINITE);
    // A device that stopped delivering ends the recording: its worker has finished the file. The
    // time limit bounds the whole series and wins over a split due in the same tick.
    const int deviceFailed = g_pJob && g_pJob->HasFailed();
    if (deviceFailed || TimeLimitPassed(GetTickCount(), g_dwStartTick, g_nDurationMs)) {
        if (deviceFailed)
            NoteFault({kJobDeviceQuiet, 0}, kFaultAtSplit, L"", L"");
        StopJob();
        ShowIdleButtons();
        ReleaseMutex(g_hRecordMutex);
        ShowPendingFault();
        return;
    }
    if (g_pJob) {
        const uint64_t written = g_pJob->GetWrittenBytes();
        ShowStatus();
        if (SplitDue(written, g_nSplitBytes) && !SwitchToNextFile()) {
            StopJob();
            ShowIdleButtons();
        }
    }
    ReleaseMutex(g_hRecordMutex);
    ShowPendingFault();
}
