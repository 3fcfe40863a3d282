// The window from the keyboard alone: Tab and Shift+Tab in reading order, Enter and Space on the
// focused button, Escape harmless.
#include "E2eSupport.h"

// The ID of the control that has the keyboard focus in the window's thread.
static int FocusedId(HWND wnd) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(wnd, nullptr), &info) && info.hwndFocus
               ? GetDlgCtrlID(info.hwndFocus)
               : 0;
}

// A key (with Shift), then the focus on the control expected, which is shown.
static bool KeyTo(const Kavel& k, BYTE key, int id, bool shift = false) {
    Press(key, shift ? std::initializer_list<BYTE>{VK_SHIFT} : std::initializer_list<BYTE>{});
    return WaitUntil([&] { return k.Shown(id) && FocusedId(k.wnd) == id; }, 5000);
}

TEST(Keyboard, TabWalksInReadingOrderAndEnterOrSpacePressesTheFocusedButton) {
    Kavel k;
    ASSERT_TRUE(k.Window());
    k.SetText(9, Out(L"keys.mp3").wstring());
    SetForegroundWindow(k.wnd);
    ASSERT_TRUE(WaitUntil([&] { return FocusedId(k.wnd) == 9; }, 5000)) << FocusedId(k.wnd);
    // File, its button, device, its button, channels, rate, bit rate, quality, split, time, help, ready.
    for (int id : {17, 10, 19, 11, 13, 12, 14, 15, 16, 20, 18, 9})
        EXPECT_TRUE(KeyTo(k, VK_TAB, id)) << "to " << id << ", at " << FocusedId(k.wnd);
    EXPECT_TRUE(KeyTo(k, VK_TAB, 18, true)) << FocusedId(k.wnd);
    Press(VK_ESCAPE, {});
    EXPECT_FALSE(WaitUntil([&] { return !k.Shown(18) || FocusedId(k.wnd) != 18; }, 500));

    ASSERT_TRUE(KeyTo(k, VK_RETURN, 22)) << "Enter arms, at " << FocusedId(k.wnd);
    EXPECT_TRUE(KeyTo(k, VK_TAB, 21));
    EXPECT_TRUE(KeyTo(k, VK_TAB, 22, true));
    Sleep(600); // not within a double-click of the start button's appearing, if it is under the pointer
    EXPECT_TRUE(KeyTo(k, VK_SPACE, 23)) << "Space starts";
    EXPECT_TRUE(k.Counted(5000)) << "sound in the file, past the frame that begins it";
    EXPECT_TRUE(KeyTo(k, VK_RETURN, 22)) << "Enter stops";
    EXPECT_TRUE(KeyTo(k, VK_TAB, 21));
    EXPECT_TRUE(KeyTo(k, VK_RETURN, 9)) << "Enter on 结束返回, at " << FocusedId(k.wnd);
}
