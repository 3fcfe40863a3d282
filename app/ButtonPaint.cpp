// Owner-drawn buttons: plate, caption and frame, drawn over the skin.
#include "ButtonPaint.h"

#include "Skin.h"

void DrawOwnerButton(const DRAWITEMSTRUCT* item) {
    // Only the selection change to held-down-with-focus looks pressed; a full redraw while
    // held (ODA_DRAWENTIRE) keeps the normal look.
    const bool pressed = item->itemAction == ODA_SELECT && item->itemState == (ODS_SELECTED | ODS_FOCUS);
    HDC dc = item->hDC;
    RECT rect = item->rcItem;
    const COLORREF oldBrushColour = SetDCBrushColor(dc, kButtonPlate);
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(dc, oldBrushColour);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, pressed ? RGB(0, 0, 255) : RGB(0, 0, 128));
    HGDIOBJ oldFont = SelectObject(dc, g_hFont);
    HGDIOBJ oldPen = SelectObject(dc, pressed ? g_hPenPressed : g_hPenNormal);

    wchar_t text[63];
    GetWindowTextW(item->hwndItem, text, 63);
    DrawTextW(dc, text, -1, &rect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    DrawButtonFrame(&item->rcItem, dc);
    // The focus mark, unless Windows hides it until the keyboard is used.
    if ((item->itemState & ODS_FOCUS) && !(item->itemState & ODS_NOFOCUSRECT)) {
        RECT mark = item->rcItem;
        InflateRect(&mark, -3, -3);
        DrawFocusRect(dc, &mark);
    }

    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

// LineTo leaves out its end point, so the right and bottom lines sit one pixel inside.
void DrawButtonFrame(const RECT* rect, HDC dc) {
    MoveToEx(dc, rect->left, rect->top, nullptr);
    LineTo(dc, rect->right, rect->top);
    MoveToEx(dc, rect->left, rect->bottom - 1, nullptr);
    LineTo(dc, rect->right - 1, rect->bottom - 1);
    MoveToEx(dc, rect->left, rect->top, nullptr);
    LineTo(dc, rect->left, rect->bottom);
    MoveToEx(dc, rect->right - 1, rect->top, nullptr);
    LineTo(dc, rect->right - 1, rect->bottom);
}
