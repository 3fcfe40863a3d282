#include "Recording.h"

#include <mmsystem.h>
#include <powrprof.h>

#include "Attention.h"
#include "AwakeRules.h"
#include "ControlIds.h"
#include "Controls.h"
#include "DeviceList.h"
#include "FaultText.h"
#include "JobCenter.h"
#include "Meter.h"
#include "ProcessState.h"
#include "SeriesFiles.h"
#include "SeriesRules.h"

CJobCenter* g_pJob = nullptr;
int32_t g_nFileIndex = 0;
uint32_t g_nSplitBytes = 0;
uint32_t g_nDurationMs = 0;
DWORD g_dwStartTick = 0;

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));
static_assert(kWaveAllocated == MMSYSERR_ALLOCATED && kWaveBadFormat == WAVERR_BADFORMAT);
static_assert(kEsContinuous == ES_CONTINUOUS && kEsSystemRequired == ES_SYSTEM_REQUIRED &&
              kEsDisplayRequired == ES_DISPLAY_REQUIRED);

UINT_PTR g_nStatusTimer = 0; // exists exactly while a job runs
constexpr UINT kStatusPeriodMs = 1000;
constexpr int kLimitTextUnits = 1023;

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

// The limit the field's text gives; 0 when the limit rule refuses the text.
int LimitFromField(int id, int (*parse)(const char16_t*, uint32_t*), uint32_t* value) {
    wchar_t text[kLimitTextUnits];
    if (GetDlgItemTextW(g_hMainWnd, id, text, kLimitTextUnits) <= 0)
        text[0] = 0;
    return parse(Text16(text), value);
}

// The chosen file's full path, as the series' names are made from it; 0 when it has none.
int FullBase(wchar_t (&full)[kFileNameUnits]) {
    wchar_t base[kFileNameUnits];
    GetDlgItemTextW(g_hMainWnd, IDC_EDIT_FILE, base, kFileNameUnits);
    const DWORD units = GetFullPathNameW(base, kFileNameUnits, full, nullptr);
    if (units == 0 || units >= kFileNameUnits)
        lstrcpynW(full, base, kFileNameUnits); // the name a box can give
    return units != 0 && units < kFileNameUnits;
}

int FileExists(const char16_t* systemName, void*) {
    return GetFileAttributesW(reinterpret_cast<const wchar_t*>(systemName)) != INVALID_FILE_ATTRIBUTES;
}

// Modern Standby systems (AoAc) end the system-required request on battery; asked once. The
// compiler's header predates the field: AoAc is its spare2[2], byte 20 of the documented layout.
static_assert(offsetof(SYSTEM_POWER_CAPABILITIES, spare2) + 2 == 20 &&
              sizeof(SYSTEM_POWER_CAPABILITIES) == 76);
bool IsModernStandby() {
    static const bool aoac = [] {
        SYSTEM_POWER_CAPABILITIES caps = {};
        return CallNtPowerInformation(SystemPowerCapabilities, nullptr, 0, &caps, sizeof caps) == 0 &&
               caps.spare2[2];
    }();
    return aoac;
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

// What a file of the series is made with, and what its creation found.
struct SCreation {
    SJobSettings settings;
    int32_t index; // the number asked for: 0 is the chosen file, which may replace one on disk
    SJobFault fault;
};

// The series' first or next job, recording into a new file.
int CreateJob(const char16_t* systemName, void* ctx) {
    auto* c = static_cast<SCreation*>(ctx);
    const SJobSettings& s = c->settings;
    // Only the chosen file, whose replacement the save dialog confirmed, may replace one on disk.
    g_pJob = CJobCenter::Create(reinterpret_cast<const wchar_t*>(systemName), s.deviceIndex, s.quality,
                                s.channels, s.sampleRate, s.bitRateFactor, c->index == 0, &c->fault);
    return g_pJob != nullptr;
}

// The running job goes on in the new file without stopping the capture.
int CreateSwitch(const char16_t* systemName, void* ctx) {
    return g_pJob->SwitchFile(reinterpret_cast<const wchar_t*>(systemName),
                              &static_cast<SCreation*>(ctx)->fault);
}

// A file may appear under the free name between the check and the creation: the next free number
// is tried once more before the recording ends.
int SwitchToNextFile() {
    wchar_t full[kFileNameUnits], name[kFileNameUnits] = L"";
    SCreation c = {{}, g_nFileIndex, {kJobFileCreate, ERROR_FILENAME_EXCED_RANGE}};
    int32_t index = 0;
    if (FullBase(full) && MakeSeriesFile(Text16(full), g_nFileIndex, {FileExists, CreateSwitch, &c}, 2,
                                         reinterpret_cast<char16_t*>(name), kFileNameUnits, &index)) {
        g_nFileIndex = index + 1;
        return 1;
    }
    NoteFault(c.fault, kFaultAtSplit, name[0] ? name : full, L"");
    return 0;
}

} // namespace

const wchar_t* CheckSeriesLimits() {
    uint32_t value = 0;
    if (!LimitFromField(IDC_EDIT_SPLITSIZE, SplitBytesFromText, &value))
        return L"“单个MP3(MB)”请填写 0 到 4095 之间的整数（0 表示不按大小分割），不能含有其他字符。";
    if (!LimitFromField(IDC_EDIT_DURATION, DurationMsFromText, &value))
        return L"“录制时长(分钟)”请填写 0 到 71582 之间的整数（0 表示不限时长），不能含有其他字符。";
    return nullptr;
}

void ArmSeries() {
    // Checked before arming; a refused text would leave its limit at 0.
    g_nSplitBytes = g_nDurationMs = 0;
    LimitFromField(IDC_EDIT_SPLITSIZE, SplitBytesFromText, &g_nSplitBytes);
    LimitFromField(IDC_EDIT_DURATION, DurationMsFromText, &g_nDurationMs);
    g_dwStartTick = 0;
    g_nFileIndex = 0;
}

int StartJob() {
    if (g_pJob)
        return 0;
    wchar_t full[kFileNameUnits], name[kFileNameUnits] = L"", device[kDeviceNameUnits];
    SCreation c = {{}, g_nFileIndex, {kJobFileCreate, ERROR_FILENAME_EXCED_RANGE}};
    const int named = FullBase(full);
    // The list may show a device that has gone since: the chosen one is found by its name.
    const int deviceIndex = FindChosenDevice(GetDlgItem(g_hMainWnd, IDC_COMBO_DEVICE), device);
    if (deviceIndex < 0 || !JobSettingsFromPositions(deviceIndex, SelectedPosition(IDC_COMBO_QUALITY),
                                                     SelectedPosition(IDC_COMBO_CHANNELS),
                                                     SelectedPosition(IDC_COMBO_SAMPLERATE),
                                                     SelectedPosition(IDC_COMBO_BITRATE), &c.settings)) {
        NoteFault({kJobDeviceMissing, 0}, kFaultAtStart, full, device);
        return 0;
    }
    int32_t index = 0;
    if (!named || !MakeSeriesFile(Text16(full), g_nFileIndex, {FileExists, CreateJob, &c}, 1,
                                  reinterpret_cast<char16_t*>(name), kFileNameUnits, &index)) {
        NoteFault(c.fault, kFaultAtStart, name[0] ? name : full, device);
        return 0;
    }
    // A start after the time limit has passed begins a new limit period; the clock starts with the
    // series' first job, even one that then fails to start.
    g_dwStartTick = SeriesClockAtStart(GetTickCount(), g_dwStartTick, g_nDurationMs);
    if (!g_pJob->Start(&c.fault)) {
        NoteFault(c.fault, kFaultAtStart, name, device);
        StopJob();
        return 0;
    }
    g_nFileIndex = index + 1;
    SetAttention(kAttentionLost, false);
    SetDlgItemTextW(g_hMainWnd, IDC_EDIT_STATUS, L"");
    g_nStatusTimer = SetTimer(nullptr, 0, kStatusPeriodMs, StatusTimerProc);
    StartMeter(g_pJob);
    // Recorders lose hours to an idle sleep: the system (and on Modern Standby the display) stays
    // awake while a job runs.
    SetThreadExecutionState(RecordingExecutionState(IsModernStandby()));
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
        SetThreadExecutionState(kIdleExecutionState);
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
