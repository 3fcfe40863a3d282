// The user flows of one recording session, start to close.
#include "E2eSupport.h"

TEST(Flows, OneCopyArmingHotKeysRecordingsAndDeviceLoss) {
    std::ofstream(Out(L"talk_1.mp3")) << "an earlier series"; // follow-on names go past it
    Kavel k;
    ASSERT_TRUE(k.Window()) << "no window with the current version served";

    // A second copy brings the first to the front and ends.
    SetForegroundWindow(GetDesktopWindow());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() != k.wnd; }, 3000));
    EXPECT_TRUE(Kavel().Ended());
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == k.wnd; }, 3000));

    // The sound settings start from the system folder, not from a control.exe in the program's.
    CopyFileW(_wpgmptr, L"C:\\windows\\system32\\control.exe", FALSE); // run as native (tests/e2e/run)
    CopyFileW(_wpgmptr, L"control.exe", FALSE);
    k.Click(19);
    EXPECT_EQ(Logged(), "\"C:\\windows\\system32\\control.exe\" mmsys.cpl");

    // Arming is refused, saying why, while another program holds a hot key.
    ASSERT_TRUE(RegisterHotKey(nullptr, 2, MOD_CONTROL | MOD_ALT, VK_F8));
    PostMessageW(k.Item(18), BM_CLICK, 0, 0);
    EXPECT_NE(k.Box().find(L"Ctrl+Alt+F8"), std::wstring::npos);
    UnregisterHotKey(nullptr, 2);
    EXPECT_FALSE(Taken(VK_F9)) << "Ctrl+Alt+F9 let go again";

    // A double-click arms once: neither its second half nor a click on the start button that
    // appeared under the pointer starts a recording.
    k.SetText(9, Out(L"talk.mp3").wstring());
    Send(k.wnd, WM_COMMAND, MAKEWPARAM(18, BN_DOUBLECLICKED), k.Item(18));
    EXPECT_TRUE(k.Shown(18));
    POINT p = {270, 364};
    ClientToScreen(k.wnd, &p);
    ClickAt(p);
    for (int i = 0; i < 3 && !WaitUntil([&] { return k.Shown(22); }, 1000); ++i)
        ClickAt(p); // Wine drops a click now and then
    ASSERT_TRUE(k.Shown(22));
    ClickAt(p);
    EXPECT_FALSE(WaitUntil([&] { return k.Shown(23); }, 700));
    RunUnix(g_out, "xdotool mousemove 0 0"); // later buttons appear elsewhere

    // Armed: the hot keys are held and the window cannot be closed.
    EXPECT_TRUE(Taken(VK_F9) && Taken(VK_F8));
    Send(k.wnd, WM_CLOSE);
    EXPECT_TRUE(IsWindow(k.wnd));

    // Real key presses start and stop; a second start changes nothing. The status counts once a
    // second what the file took, and the file decodes back to the tone with its tag.
    Press(VK_F9);
    ASSERT_TRUE(k.Counted(0));
    Press(VK_F9);
    EXPECT_TRUE(k.Counted(25000));
    Press(VK_F8);
    ASSERT_TRUE(WaitUntil([&] { return k.Shown(22); }));
    Send(k.wnd, WM_NULL); // the stop button goes before the file is finished
    EXPECT_GE(std::filesystem::file_size(Out(L"talk.mp3")), k.bytes + 128);
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "tone 1.5 talk.mp3"), 0);

    // The next start takes the next free name. A session end finishes the file before Windows
    // may end the program.
    k.Click(22);
    ASSERT_TRUE(k.Counted(5000));
    Send(k.wnd, WM_ENDSESSION, TRUE, reinterpret_cast<const void*>(ENDSESSION_LOGOFF));
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "plays 0.3 talk_2.mp3"), 0);

    // An input device that goes away ends the recording with a warning and a finished file.
    k.Click(22);
    ASSERT_TRUE(k.Counted(5000));
    ASSERT_EQ(RunUnix(g_out, "pactl unload-module $(pactl list short modules | grep kv_sink | cut -f1)"), 0);
    EXPECT_NE(k.Box().find(L"输入设备"), std::wstring::npos);
    EXPECT_TRUE(k.Shown(22));
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "plays 0.3 talk_3.mp3"), 0);

    // Back in the set-up view the hot keys are free for others, the earlier file is untouched, and
    // the window closes.
    k.Click(21);
    EXPECT_TRUE(k.Shown(18) && Text(k.Item(9)).empty());
    EXPECT_FALSE(Taken(VK_F9) || Taken(VK_F8));
    EXPECT_EQ(std::filesystem::file_size(Out(L"talk_1.mp3")), 17u);
    Send(k.wnd, WM_CLOSE);
    EXPECT_TRUE(k.Ended());
}
