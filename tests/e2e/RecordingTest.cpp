// The recording view: recordings started and stopped, the series' names, leaving the view, a device
// that goes away.
#include "E2eSupport.h"

// Real key presses start and stop; a second start changes nothing. The status counts once a second
// what the file took, and the file decodes back to the tone with its tag. The next start takes the
// next free name, past an earlier series' file; a session end finishes the file before Windows may
// end the program.
TEST(Recording, HotKeysStartAndStopAndTheSeriesNamesGoOn) {
    std::ofstream(Out(L"talk_1.mp3")) << "an earlier series";
    Kavel k;
    ASSERT_TRUE(k.Window());
    k.Arm(Out(L"talk.mp3").wstring());
    // Armed: the hot keys are held and the window cannot be closed.
    EXPECT_TRUE(Taken(VK_F9) && Taken(VK_F8));
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
    k.Start();
    ASSERT_TRUE(k.Counted(5000)) << "recording the next file";
    Send(k.wnd, WM_ENDSESSION, TRUE, reinterpret_cast<const void*>(ENDSESSION_LOGOFF));
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "plays 0.3 talk_2.mp3"), 0);
    EXPECT_EQ(Size(Out(L"talk_1.mp3")), 17);
}

// "结束返回" while a recording runs (stereo, 48000 Hz, once the rate: 48 kbit/s): the file is
// finished, the set-up view is back with the hot keys free for others, and the window then closes.
TEST(Recording, EndAndReturnWhileRecordingFinishesTheFileAndTheWindowCloses) {
    Kavel k;
    ASSERT_TRUE(k.Window());
    k.Choose(1, 3, 0);
    k.Arm(Out(L"back.mp3").wstring());
    k.Start();
    ASSERT_TRUE(k.Counted(5000)) << "recording";
    k.Click(21);
    EXPECT_TRUE(k.Shown(18) && Text(k.Item(9)).empty());
    EXPECT_FALSE(Taken(VK_F9) || Taken(VK_F8));
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "format 48000,2,48000 back.mp3"), 0);
    Send(k.wnd, WM_CLOSE);
    EXPECT_TRUE(k.Ended());
}

// An input device that goes away ends the recording with a warning and a finished file.
TEST(Recording, AnInputDeviceThatGoesAwayEndsItWithAWarning) {
    Kavel k;
    ASSERT_TRUE(k.Window());
    k.Arm(Out(L"lost.mp3").wstring());
    k.Start();
    ASSERT_TRUE(k.Counted(5000)) << "recording";
    ASSERT_EQ(RunUnix(g_out, "pactl unload-module $(pactl list short modules | grep kv_sink | cut -f1)"), 0);
    k.Box(L"输入设备");
    EXPECT_TRUE(k.Shown(22));
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "plays 0.3 lost.mp3"), 0);
}
