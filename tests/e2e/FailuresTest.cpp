// What the user is told while a disk refuses data. (Sleep and other faults: the Wine test.)
#include "E2eSupport.h"

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
    auto warned = [&] { return Text(k.Item(24)).find(L"磁盘拒绝写入") != std::wstring::npos; };
    EXPECT_TRUE(WaitUntil(warned, 20000)) << Text(k.Item(24));
    ASSERT_EQ(RunUnix(g_out, "rm small/filler"), 0);
    EXPECT_TRUE(WaitUntil([&] { return !warned(); }, 5000)) << Text(k.Item(24));
    k.Click(23);
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "gapped 1 small/full.mp3"), 0);
}
