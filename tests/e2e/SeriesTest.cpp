// A series split at the size limit and ended by the time limit, run beside the other cases.
#include "E2eSupport.h"

// Runs in a desktop and with a sound server of its own, beside the other cases (tests/e2e/run).
TEST(Series, SplitsAtTheSizeLimitAndEndsAtTheTimeLimit) {
    Kavel k;
    ASSERT_TRUE(k.Window());
    // 96 kHz at three times the rate, the fastest encoding: 256 kbit/s, 1 MB after about 33 s.
    for (int list : {13, 12, 14})
        Send(k.Item(list), CB_SETCURSEL, list == 13 ? 4 : 2);
    k.SetText(15, L"1");
    k.SetText(16, L"1");
    k.SetText(9, Out(L"series.mp3").wstring());
    k.Click(18);
    k.Click(22);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(WaitUntil([&] { return k.Shown(22); }, 70000));
    EXPECT_NEAR(GetTickCount() - start, 61000.0, 3000.0);
    EXPECT_GE(std::filesystem::file_size(Out(L"series.mp3")), (1u << 20) + 128);
    // Closed at the tick that saw 1 MB.
    EXPECT_LT(std::filesystem::file_size(Out(L"series.mp3")), (1u << 20) + 128 + 70000);
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "plays 20 series.mp3 series_1.mp3"), 0);
    // The limit belongs to the series: a new start runs into it at the next tick.
    k.Click(22);
    EXPECT_TRUE(k.Shown(23) && WaitUntil([&] { return k.Shown(22); }, 2500));
}
