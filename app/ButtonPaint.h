// Painting of the main window's owner-drawn buttons.
#pragma once
#include <windows.h>

// Paints one button over the skin: no face, centred caption and a one-pixel frame.
void DrawOwnerButton(const DRAWITEMSTRUCT* item);
void DrawButtonFrame(const RECT* rect, HDC dc);
