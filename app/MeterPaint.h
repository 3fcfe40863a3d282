// Drawing of the meter control: the skin, the elapsed time and level in words, the bar on its
// -60 to 0 dBFS scale with the peak-hold and clip marks; one paint of an off-screen bitmap.
#pragma once
#include <windows.h>

// Place and size of the control in the main window, above the status field.
constexpr int kMeterX = 160, kMeterY = 196, kMeterWidth = 320, kMeterHeight = 100;

struct SMeterPicture {
    int running; // 0: the control shows only the skin
    int barPx;   // pixels from the scale's left end
    int holdPx;
    int clipped;
    bool operator==(const SMeterPicture&) const = default;
};

// The off-screen picture and the time's large font (the rest is in the skin's font), made with the
// control and released when it goes.
void CreateMeterDrawing();
void ReleaseMeterDrawing();
// WM_PAINT of the control; the words come from its window text ("<level> <time>").
void PaintMeter(HWND meter, const SMeterPicture& picture);
// Width of the scale in pixels, for the bar's and the mark's places.
constexpr int kMeterScalePx = 240;
