#include "MeterPaint.h"

#include "MeterRules.h"
#include "Skin.h"

#include <cwchar>

namespace {

constexpr int kScaleLeft = 14, kBarTop = 50, kBarBottom = 72;
constexpr int kClipLeft = kScaleLeft + kMeterScalePx + 10, kClipRight = kMeterWidth - 2;
constexpr COLORREF kTimeText = RGB(0, 255, 255);  // the fields' text
constexpr COLORREF kScaleText = RGB(255, 255, 0); // the labels' text
constexpr COLORREF kFrame = RGB(0, 192, 0);       // the buttons' frame
constexpr COLORREF kBarLow = RGB(0, 200, 200), kBarHigh = RGB(255, 255, 0), kBarTopColour = RGB(255, 48, 48);
constexpr COLORREF kClipOff = RGB(96, 96, 96);

HFONT g_hTimeFont = nullptr;
HDC g_hMemory = nullptr;
HBITMAP g_hPicture = nullptr;
HGDIOBJ g_hOldPicture = nullptr; // set once the picture is in the memory DC

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    const RECT rect = {left, top, right, bottom};
    SetDCBrushColor(dc, colour);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Frame(HDC dc, int left, int top, int right, int bottom) {
    const RECT rect = {left, top, right, bottom};
    SetDCBrushColor(dc, kFrame);
    FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void Write(HDC dc, const wchar_t* text, int length, RECT rect, HFONT font, COLORREF colour, UINT format) {
    SelectObject(dc, font);
    SetTextColor(dc, colour);
    DrawTextW(dc, text, length, &rect, format | DT_SINGLELINE | DT_NOPREFIX);
}

// The skin brush is laid from the main window's corner: the control shows its part of it.
void DrawSkin(HDC dc) {
    const RECT rect = {0, 0, kMeterWidth, kMeterHeight};
    SetBrushOrgEx(dc, -kMeterX, -kMeterY, nullptr);
    FillRect(dc, &rect, g_hSkinBrush ? g_hSkinBrush : static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// The time large on the left, the level in words on the right.
void DrawWords(HDC dc, HWND meter) {
    wchar_t text[kMeterTextUnits];
    GetWindowTextW(meter, text, kMeterTextUnits);
    const wchar_t* time = std::wcsrchr(text, L' ');
    if (!time)
        return;
    const RECT top = {kScaleLeft, 0, kClipRight, kBarTop - 2};
    Write(dc, time + 1, -1, top, g_hTimeFont, kTimeText, DT_LEFT | DT_BOTTOM);
    Write(dc, text, static_cast<int>(time - text), top, g_hFont, kTimeText, DT_RIGHT | DT_BOTTOM);
}

// Cyan up to -12 dBFS, yellow to -3, red above: the colours a meter is read by.
void DrawBar(HDC dc, const SMeterPicture& picture) {
    const int left = kScaleLeft, high = MeterPixels(-12, kMeterScalePx), top = MeterPixels(-3, kMeterScalePx);
    Frame(dc, left - 1, kBarTop - 1, left + kMeterScalePx + 1, kBarBottom + 1);
    Fill(dc, left, kBarTop, left + kMeterScalePx, kBarBottom, RGB(0, 0, 0));
    const struct {
        int from, to;
        COLORREF colour;
    } zones[] = {{0, high, kBarLow}, {high, top, kBarHigh}, {top, kMeterScalePx, kBarTopColour}};
    for (const auto& zone : zones)
        if (picture.barPx > zone.from)
            Fill(dc, left + zone.from, kBarTop, left + (picture.barPx < zone.to ? picture.barPx : zone.to),
                 kBarBottom, zone.colour);
    if (picture.holdPx > 0)
        Fill(dc, left + picture.holdPx - 2, kBarTop, left + picture.holdPx, kBarBottom, RGB(255, 255, 255));
}

void DrawScale(HDC dc) {
    for (int db = -60; db <= 0; db += 10) {
        const int x = kScaleLeft + MeterPixels(db, kMeterScalePx);
        Fill(dc, x - 1, kBarBottom + 2, x + 1, kBarBottom + 7, kScaleText);
        wchar_t label[8];
        const int length = swprintf(label, 8, L"%d", db);
        const RECT rect = {x - 20, kBarBottom + 7, x + 20, kMeterHeight};
        Write(dc, label, length, rect, g_hFont, kScaleText, DT_CENTER | DT_TOP);
    }
}

// Lit from the first full-scale sample to the next start.
void DrawClipMark(HDC dc, int clipped) {
    Frame(dc, kClipLeft - 1, kBarTop - 1, kClipRight + 1, kBarBottom + 1);
    Fill(dc, kClipLeft, kBarTop, kClipRight, kBarBottom, clipped ? kBarTopColour : RGB(0, 0, 0));
    const RECT rect = {kClipLeft, kBarTop, kClipRight, kBarBottom};
    Write(dc, L"过载", -1, rect, g_hFont, clipped ? RGB(255, 255, 255) : kClipOff, DT_CENTER | DT_VCENTER);
}

void DrawMeter(HDC dc, HWND meter, const SMeterPicture& picture) {
    DrawSkin(dc);
    if (!picture.running)
        return;
    SetBkMode(dc, TRANSPARENT);
    DrawWords(dc, meter);
    DrawBar(dc, picture);
    DrawScale(dc);
    DrawClipMark(dc, picture.clipped);
}

} // namespace

// The off-screen picture is made once and kept: the meter is drawn up to ten times a second.
void CreateMeterDrawing() {
    g_hTimeFont = CreateFontW(36, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
    HDC screen = GetDC(nullptr);
    g_hMemory = CreateCompatibleDC(screen);
    g_hPicture = CreateCompatibleBitmap(screen, kMeterWidth, kMeterHeight);
    ReleaseDC(nullptr, screen);
    if (g_hMemory && g_hPicture)
        g_hOldPicture = SelectObject(g_hMemory, g_hPicture);
}

void ReleaseMeterDrawing() {
    if (g_hOldPicture)
        SelectObject(g_hMemory, g_hOldPicture);
    DeleteDC(g_hMemory);
    DeleteObject(g_hPicture);
    DeleteObject(g_hTimeFont);
    g_hMemory = nullptr;
    g_hPicture = nullptr;
    g_hOldPicture = nullptr;
    g_hTimeFont = nullptr;
}

// Drawn off screen and copied in one piece, with no erase before: the meter changes ten times a
// second and must not flicker.
void PaintMeter(HWND meter, const SMeterPicture& picture) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(meter, &ps);
    if (g_hOldPicture) {
        // The fonts go out of the kept DC again, so they can be deleted.
        HGDIOBJ oldFont = SelectObject(g_hMemory, GetStockObject(DEFAULT_GUI_FONT));
        DrawMeter(g_hMemory, meter, picture);
        SelectObject(g_hMemory, oldFont);
        BitBlt(dc, 0, 0, kMeterWidth, kMeterHeight, g_hMemory, 0, 0, SRCCOPY);
    }
    EndPaint(meter, &ps);
}
