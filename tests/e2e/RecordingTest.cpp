// The recording view: recordings started and stopped from the hot keys, the series' names. (Leaving the
// view while recording, a device that goes away: the Wine test.)
#include "E2eSupport.h"

// Real key presses start and stop; a second start changes nothing. The first file replaces one of the
// chosen name (the save dialog asked about it) at the settings chosen (mono, 22050 Hz, twice the rate:
// 40 kbit/s); the status counts once a second what the file took, and the file decodes back to the
// tone with its tag. The next start takes the next free name, past an earlier series' file; a session
// end finishes the file before Windows may end the program.
TEST(Recording, HotKeysStartAndStopOverTheChosenFileAndTheSeriesNamesGoOn) {
    std::ofstream(Out(L"talk.mp3")) << "an older file";
    std::ofstream(Out(L"talk_1.mp3")) << "an earlier series";
    Kavel k;
    ASSERT_TRUE(k.Window());
    k.Choose(0, 1, 1);
    k.Arm(Out(L"talk.mp3").wstring());
    // Armed, the window cannot be closed; the hot keys it holds start and stop.
    Send(k.wnd, WM_CLOSE);
    EXPECT_TRUE(IsWindow(k.wnd));
    Press(VK_F9);
    ASSERT_TRUE(k.Counted(0)) << "recording after Ctrl+Alt+F9";
    Press(VK_F9);
    EXPECT_TRUE(k.Counted(25000));
    Press(VK_F8);
    ASSERT_TRUE(WaitUntil([&] { return k.Shown(22); })) << "stopped after Ctrl+Alt+F8";
    Send(k.wnd, WM_NULL); // the start button comes back before the file is finished
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "tone 1.5 talk.mp3"), 0);
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "format 22050,1,40000 talk.mp3"), 0);
    k.Start();
    ASSERT_TRUE(k.Counted(5000)) << "recording the next file";
    Send(k.wnd, WM_ENDSESSION, TRUE, reinterpret_cast<const void*>(ENDSESSION_LOGOFF));
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "plays 0.3 talk_2.mp3"), 0);
    EXPECT_EQ(Size(Out(L"talk_1.mp3")), 17);
}
