// The recording view's meter: elapsed time and input level of the running recording in one child
// window (ID 25) whose window text says the same in words, and the silence warning drawn from the
// level (status text and taskbar flash). UI thread only.
#pragma once
#include <windows.h>

#include <cstdint>

struct structJobKavel;

// The control, hidden and empty, in the panel above the status field.
HWND CreateMeter(HWND mainWnd);
// For a job that has just started: the time counts from now, the level comes from the job about ten
// times a second.
void StartMeter(structJobKavel* job);
// Empties the control and ends the warning; the job may go once this returns.
void StopMeter();
// The status text's warning bits the meter knows of: kStatusNoInput while no sound comes in.
uint32_t MeterStatusWarnings();
