// Owner-drawn buttons on real GDI: plate, frame and caption colours of the normal and pressed looks.
#include <gtest/gtest.h>

#include "ButtonPaint.h"
#include "Skin.h"

namespace {

constexpr int kW = 120, kH = 24;
constexpr COLORREF kWhite = RGB(255, 255, 255);

class ButtonPaintTest : public testing::Test {
  protected:
    void SetUp() override {
        // The pens and the font normally come with the skin; made here without one.
        g_hPenNormal = CreatePen(PS_SOLID, 1, RGB(0, 192, 0));
        g_hPenPressed = CreatePen(PS_SOLID, 1, RGB(192, 255, 192));
        g_hFont = CreateFontW(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"宋体");
        m_hButton = CreateWindowExW(0, L"BUTTON", L"开始录制", WS_POPUP | BS_OWNERDRAW, 0, 0, kW, kH, nullptr,
                                    nullptr, nullptr, nullptr);
        m_hDc = CreateCompatibleDC(nullptr);
        m_hBitmap = CreateBitmap(kW, kH, 1, 32, nullptr);
        m_hOld = SelectObject(m_hDc, m_hBitmap);
    }
    void TearDown() override {
        SelectObject(m_hDc, m_hOld);
        DeleteObject(m_hBitmap);
        DeleteDC(m_hDc);
        DestroyWindow(m_hButton);
        ReleaseDrawingResources();
    }
    void Paint(UINT action, UINT state) {
        RECT all = {0, 0, kW, kH};
        FillRect(m_hDc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_BUTTON;
        item.itemAction = action;
        item.itemState = state;
        item.hwndItem = m_hButton;
        item.hDC = m_hDc;
        item.rcItem = all;
        DrawOwnerButton(&item);
    }
    int Count(COLORREF colour) {
        int n = 0;
        for (int y = 1; y < kH - 1; ++y)
            for (int x = 1; x < kW - 1; ++x)
                n += GetPixel(m_hDc, x, y) == colour;
        return n;
    }
    void ExpectFrame(COLORREF colour) {
        for (int x = 0; x < kW; ++x) {
            ASSERT_EQ(colour, GetPixel(m_hDc, x, 0)) << x;
            ASSERT_EQ(colour, GetPixel(m_hDc, x, kH - 1)) << x;
        }
        for (int y = 0; y < kH; ++y) {
            ASSERT_EQ(colour, GetPixel(m_hDc, 0, y)) << y;
            ASSERT_EQ(colour, GetPixel(m_hDc, kW - 1, y)) << y;
        }
        // The plate fills the face, so a hidden button takes it along; the caption stays on it.
        EXPECT_EQ(kButtonPlate, GetPixel(m_hDc, 1, 1));
        EXPECT_GT(Count(kButtonPlate), (kW - 2) * (kH - 2) / 2);
        EXPECT_EQ(0, Count(kWhite));
    }
    HWND m_hButton = nullptr;
    HDC m_hDc = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
};

} // namespace

TEST_F(ButtonPaintTest, NormalAndPressedLooks) {
    Paint(ODA_DRAWENTIRE, 0);
    ExpectFrame(RGB(0, 192, 0));
    EXPECT_GT(Count(RGB(0, 0, 128)), 10) << "navy caption";

    Paint(ODA_SELECT, ODS_SELECTED | ODS_FOCUS);
    ExpectFrame(RGB(192, 255, 192));
    EXPECT_GT(Count(RGB(0, 0, 255)), 10) << "blue caption";
    EXPECT_EQ(0, Count(RGB(0, 0, 128)));

    // Redrawn whole while held, or selected with another state bit: the normal look.
    for (UINT state : {UINT(ODS_SELECTED | ODS_FOCUS), UINT(ODS_SELECTED | ODS_FOCUS | ODS_DEFAULT)}) {
        const UINT action = state == (ODS_SELECTED | ODS_FOCUS) ? ODA_DRAWENTIRE : ODA_SELECT;
        Paint(action, state);
        ExpectFrame(RGB(0, 192, 0));
        EXPECT_EQ(0, Count(RGB(0, 0, 255))) << action << " " << state;
    }
}
