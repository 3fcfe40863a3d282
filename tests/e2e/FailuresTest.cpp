// What the user is told when a recording cannot start or ends by itself: a file that cannot be made,
// a device that cannot be opened, sleep, a disk that refuses data.
#include "E2eSupport.h"

TEST(Failures, AStartThatCannotMakeItsFileSaysWhichAndWhy) {
    const std::filesystem::path folder = Out(L"gone");
    CreateDirectoryW(folder.c_str(), nullptr); // not std::filesystem (Size in E2eSupport.h)
    Kavel k;
    ASSERT_TRUE(k.Window());
    k.Arm((folder / L"t.mp3").wstring());
    RemoveDirectoryW(folder.c_str()); // after it was chosen
    // From the hot key while the window is minimised: the box must still be seen. Windows posts the
    // hot key's message; injected keys would race Wine's X11 driver, which sets Ctrl and Alt back up
    // when the desktop takes the focus from the minimised window.
    ShowWindow(k.wnd, SW_MINIMIZE);
    PostMessageW(k.wnd, WM_HOTKEY, 9, MAKELPARAM(MOD_CONTROL | MOD_ALT, VK_F9));
    // Alone: Windows hides what a minimised window owns (Wine shows it all the same).
    EXPECT_TRUE(WaitUntil([] { return Owned(nullptr) != nullptr; })) << "owned by the minimised window";
    const std::wstring box = k.Box(L"无法创建文件“" + (folder / L"t.mp3").wstring() + L"”");
    EXPECT_NE(box.find(L"系统原因："), std::wstring::npos);
    ShowWindow(k.wnd, SW_RESTORE);
    EXPECT_TRUE(k.Shown(22) && !k.Shown(23));
}

// The sound card goes away after the program listed its devices (Wine keeps its list): opening a
// device fails as it does when Windows' privacy settings block the microphone.
TEST(Failures, ADeviceThatCannotBeOpenedPointsToThePrivacySetting) {
    Kavel k;
    ASSERT_TRUE(k.Window());
    k.Arm(Out(L"nodevice.mp3").wstring());
    ASSERT_EQ(RunUnix(g_out, "pactl unload-module $(pactl list short modules | grep kv_sink | cut -f1)"), 0);
    Sleep(600); // not within a double-click of the click that showed the button (Kavel::Start)
    PostMessageW(k.Item(22), BM_CLICK, 0, 0); // the box comes from within the click
    const std::wstring box = k.Box(L"无法打开音频输入设备");
    EXPECT_NE(box.find(L"设置 → 隐私和安全性 → 麦克风"), std::wstring::npos);
    EXPECT_TRUE(k.Shown(22) && !k.Shown(23));
    EXPECT_LT(Size(Out(L"nodevice.mp3")), 0);
}

// Windows says so before it sleeps and after it wakes; Wine never sleeps, so the driver says it.
TEST(Failures, SleepFinishesTheFileAndSaysSoAfterTheWake) {
    Kavel k;
    ASSERT_TRUE(k.Window());
    k.Arm(Out(L"asleep.mp3").wstring());
    k.Start();
    ASSERT_TRUE(k.Counted(5000));
    Send(k.wnd, WM_POWERBROADCAST, PBT_APMSUSPEND);
    EXPECT_TRUE(k.Shown(22) && !k.Shown(23));
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "plays 0.3 asleep.mp3"), 0) << "finished before the sleep";
    PostMessageW(k.wnd, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    PostMessageW(k.wnd, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    k.Box(L"睡眠");
    EXPECT_FALSE(WaitUntil([] { return FindWindowW(L"#32770", L"提示") != nullptr; }, 1000)) << "told twice";
}

// A small disk of its own (the level runs in a mount namespace), filled but for a few seconds' audio.
TEST(Failures, ADiskThatRefusesDataIsToldUntilItTakesDataAgain) {
    ASSERT_EQ(RunUnix(g_out, "mkdir -p small && mount -t tmpfs -o size=256k tmpfs small && "
                             "head -c 200k /dev/zero >small/filler"),
              0);
    struct Unmount {
        ~Unmount() { RunUnix(g_out, "umount small"); }
    } unmount;
    Kavel k;
    ASSERT_TRUE(k.Window());
    k.Arm(Out(L"small\\full.mp3").wstring());
    k.Start();
    EXPECT_TRUE(
        WaitUntil([&] { return Text(k.Item(24)).find(L"磁盘拒绝写入") != std::wstring::npos; }, 20000))
        << Text(k.Item(24));
    ASSERT_EQ(RunUnix(g_out, "rm small/filler"), 0);
    EXPECT_TRUE(WaitUntil([&] { return Text(k.Item(24)).find(L"磁盘拒绝写入") == std::wstring::npos; }, 5000))
        << Text(k.Item(24));
    k.Click(23);
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "gapped 1 small/full.mp3"), 0);
}
