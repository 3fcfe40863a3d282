// The 24 child controls of the main window from one table, laid out in code (the meter, ID 25, is
// a window of its own: Meter.h).
#pragma once
#include <windows.h>

// Creates the controls of the control table in order, fills the lists and selects their
// start entries.
void CreateControls(HWND mainWnd);
// CB_ADDSTRING for each entry; a count of 0 or less adds nothing.
void AddComboStrings(HWND combo, const wchar_t* const* strings, int count);
// Shows or hides the main window's controls with IDs firstId to lastId, in ascending order.
void ShowControls(int firstId, int lastId, int showCommand);
// Whether a click on button id is the second half of a double-click on the button that stood in
// its place: it appeared under the pointer less than the double-click time ago.
bool IsLeftoverButtonClick(int id);
