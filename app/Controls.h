// The 24 child controls of the main window from one table, laid out in code (the meter, ID 25, is
// a window of its own: Meter.h).
#pragma once
#include <windows.h>

// Creates the controls of the control table in order, fills the lists and selects their
// start entries.
void CreateControls(HWND mainWnd);
// CB_ADDSTRING for each entry; a count of 0 or less adds nothing.
void AddComboStrings(HWND combo, const wchar_t* const* strings, int count);
// Shows or hides the main window's controls with IDs firstId to lastId, in ascending order; the
// keyboard focus stays on a control that is shown.
void ShowControls(int firstId, int lastId, int showCommand);
// The keyboard focus as a dialog keeps it: on a shown control, noted when the window goes behind
// (NoteFocus) and put back when it comes to the front (RestoreFocus).
void KeepFocusVisible(HWND wnd);
void NoteFocus(HWND wnd);
void RestoreFocus(HWND wnd);
// Whether a click on button id is the second half of a double-click on the button that stood in
// its place: it appeared under the pointer less than the double-click time ago.
bool IsLeftoverButtonClick(int id);
