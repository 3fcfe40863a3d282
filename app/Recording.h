// Recording control: a series of recording jobs run from the main window, split at the size
// limit and ended at the time limit by a one-second status timer. UI thread only.
#pragma once
#include <windows.h>

#include <cstdint>

class CJobCenter;

// The series state, from arming to leaving the recording view.
extern CJobCenter* g_pJob;     // the running job; null while nothing is recorded
extern int32_t g_nFileIndex;   // decides the next file's name: 0 is the chosen name itself
extern uint32_t g_nSplitBytes; // 0 = never split
extern uint32_t g_nDurationMs; // 0 = no time limit
extern DWORD g_dwStartTick;    // when the series' first job was created; 0 = not yet

// Null when both limit fields hold what the limit rule takes; otherwise the box text that names the
// field refused and its range.
const wchar_t* CheckSeriesLimits();
// Reads the limits and resets the file counter; called once per series, after CheckSeriesLimits.
void ArmSeries();
// 1 when this call created and started a job.
int StartJob();
// Cancels the status timer and finishes the running job, if any.
void StopJob();
// The start and stop buttons and hot keys. A start that fails says why.
void StartCommand();
void StopCommand();
// The computer is about to sleep: a running recording is finished while there is time.
void StopForSleep();
// After the wake: says that the recording ended with the sleep, if one did.
void TellAfterSleep();
void CALLBACK StatusTimerProc(HWND, UINT, UINT_PTR, DWORD);
// The bytes written and the warnings that hold, in the status field; nothing without a job.
void ShowStatus();
