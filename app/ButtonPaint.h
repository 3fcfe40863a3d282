// Painting of the main window's owner-drawn buttons.
#pragma once
#include <windows.h>

// The light plate each button paints under its navy caption; it hides with the button, so a
// hidden button leaves the bare skin.
constexpr COLORREF kButtonPlate = RGB(164, 210, 198);

// Paints one button over the skin: a light plate, centred caption and a one-pixel frame.
void DrawOwnerButton(const DRAWITEMSTRUCT* item);
void DrawButtonFrame(const RECT* rect, HDC dc);
