// The program's only window: its class, creation and window procedure, and the commands of
// the set-up view.
#pragma once
#include <windows.h>

// Null when the window cannot be created; the drawing objects are released then.
HWND CreateMainWindow();
LRESULT CALLBACK MainWndProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

void BrowseCommand();
// Arms recording: hot keys, the recording view and the series' limits.
void EnterRecordingView();
// Back to the set-up view; also the failure path of EnterRecordingView.
void LeaveRecordingView();
