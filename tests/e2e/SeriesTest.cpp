// A series split at the size limit and ended by the time limit, then a recording ended by a kill, run
// beside the other cases.
#include "E2eSupport.h"

// Runs in a desktop and with a sound server of its own, beside the other cases (tests/e2e/run).
TEST(Series, SplitsAtTheSizeLimitEndsAtTheTimeLimitAndAKilledRecordingPlays) {
    Kavel k;
    ASSERT_TRUE(k.Window());
    // 96 kHz at three times the rate, the fastest encoding: 256 kbit/s, 1 MB after about 33 s.
    k.Choose(1, 4, 2);
    Send(k.Item(14), CB_SETCURSEL, 2);
    k.SetText(15, L"1");
    k.SetText(16, L"1");
    k.Arm(Out(L"series.mp3").wstring());
    k.Start();
    const DWORD start = GetTickCount();
    // Time bounds are the promise (the tick after the limit, once a second) with room for a busy machine.
    ASSERT_TRUE(WaitUntil([&] { return k.Shown(22); }, 90000)) << "not ended by the time limit";
    EXPECT_NEAR(GetTickCount() - start, 62500.0, 3500.0);
    EXPECT_GE(Size(Out(L"series.mp3")), (1 << 20) + 128);
    // Closed at the tick that saw 1 MB: at most 4 s of sound later.
    EXPECT_LT(Size(Out(L"series.mp3")), (1 << 20) + 128 + 4 * 32000);
    // Both files in the noise played (tests/e2e/run), the second going on where the first ended: as
    // players that read the files' Info frames play them back to back, not a sample added or dropped.
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "joins noise.raw series.mp3 series_1.mp3"), 0);
    // A start after the limit has passed begins a new limit period: it goes on past the next tick.
    k.Start();
    EXPECT_TRUE(k.Shown(23) && !WaitUntil([&] { return k.Shown(22); }, 5000));
    // Killed then, the recording holds what was captured up to then, decodes without an error, and a
    // player states its length right although the file was never finished.
    ASSERT_TRUE(k.Counted(20000)) << "recording";
    ASSERT_TRUE(TerminateProcess(k.process, 1));
    WaitForSingleObject(k.process, 10000);
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "killed 1 series_2.mp3"), 0);
}
