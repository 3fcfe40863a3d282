// The meter reads a tone's level, and the status warns while no sound comes in. The case runs beside
// the others, in a desktop and with a sound server of its own (tests/e2e/run): its tone stops and
// starts again without touching the other cases' recordings.
#include "E2eSupport.h"

// A 1 kHz tone at half scale (-6.02 dBFS) for some seconds; the file `done` appears when it has ended.
static void PlayTone(int seconds, const std::string& done) {
    StartUnix(g_out, "sox -n -r 48000 -c 2 -b 16 -t raw - synth " + std::to_string(seconds) +
                         " sine 1000 vol 0.5 | pacat --rate=48000 --channels=2 --format=s16le; touch " +
                         done);
}

TEST(Meter, ReadsTheToneAndWarnsWhileNoSoundComesIn) {
    Kavel k;
    ASSERT_TRUE(k.Window());
    auto warned = [&] { return Text(k.Item(24)).find(L"无声音输入") != std::wstring::npos; };
    k.Arm(Out(L"meter.mp3").wstring());
    PlayTone(5, "tone.done");
    k.Start();

    // The half-scale tone records at about -5.8 dBFS (wine-notes); the meter's text says it.
    double db = -100;
    EXPECT_TRUE(WaitUntil(
        [&] { return swscanf(Text(k.Item(25)).c_str(), L"%lf dBFS", &db) == 1 && db > -30; }, 4000));
    EXPECT_NEAR(db, -6.02, 2);

    // Ten seconds of silence bring the warning: not earlier, and later only by the tick, the capture's
    // delay and room for a busy machine.
    ASSERT_TRUE(WaitUntil([&] { return Size(Out(L"tone.done")) >= 0; }, 10000));
    const DWORD stopped = GetTickCount();
    ASSERT_TRUE(WaitUntil([&] { return warned(); }, 15000)) << Text(k.Item(25)).c_str();
    EXPECT_NEAR(GetTickCount() - stopped, 11500.0, 2500.0);
    EXPECT_EQ(Text(k.Item(25)).rfind(L"静音 ", 0), 0u) << Text(k.Item(25)).c_str();

    // Sound clears it at the next tick (with room for the player's start on a busy machine).
    PlayTone(20, "tone2.done");
    const DWORD played = GetTickCount();
    EXPECT_TRUE(WaitUntil([&] { return !warned(); }, 5000) && GetTickCount() - played <= 3500);

    // Empty once stopped; the time counts again from the next start.
    k.Click(23);
    EXPECT_EQ(Text(k.Item(25)), L"");
    k.Start();
    EXPECT_TRUE(Text(k.Item(25)).ends_with(L" 0:00:00")) << Text(k.Item(25)).c_str();
}
