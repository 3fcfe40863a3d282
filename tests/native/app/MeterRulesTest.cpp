// The meter's fall and peak hold in audio time, its scale and its text.
#include "MeterRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

TEST(MeterRules, BarFallsAndTheHoldMarkStaysAboutOneAndAHalfSeconds) {
    const double none = -INFINITY;
    // Each step: a reading's peak and audio length, then where bar and mark stand.
    const struct {
        double peakDb;
        uint32_t newMs;
        double barDb, holdDb;
    } steps[] = {
        // clang-format off
        {-6, 100, -6, -6}, {none, 500, -16, -6}, {none, 0, -16, -6}, // no audio taken: nothing moves
        {-30, 900, -30, -6}, {-20, 100, -20, -20},                   // 1.5 s on, the mark drops to the bar
        {-3, 100, -3, -3}, {-40, 100, -5, -3}, {-50, 2000, -45, -45}, {none, 1000, -65, -45},
        // clang-format on
    };
    SMeterState meter = MeterAtStart();
    for (const auto& s : steps) {
        StepMeter(&meter, s.peakDb, s.newMs);
        EXPECT_EQ(meter.barDb, s.barDb) << s.peakDb << " " << s.newMs;
        EXPECT_EQ(meter.holdDb, s.holdDb) << s.peakDb << " " << s.newMs;
    }
    const double db[] = {none, NAN, -70, -60, -30, -0.001, 0, 3};
    const int px[] = {0, 0, 0, 0, 120, 240, 240, 240};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(MeterPixels(db[i], 240), px[i]) << db[i];
}

TEST(MeterRules, TextSaysLevelClipAndElapsedTime) {
    const struct {
        double db;
        int clipped;
        uint32_t ms;
        size_t units;
        std::u16string text;
    } cases[] = {
        {-5.8, 0, 5999, kMeterTextUnits, u"-6 dBFS 0:00:05"},
        {-INFINITY, 0, 83000, kMeterTextUnits, u"静音 0:01:23"},
        {-0.3, 1, 39599000, kMeterTextUnits, u"0 dBFS 过载 10:59:59"},
        {-60.4, 0, 0, kMeterTextUnits, u"-60 dBFS 0:00:00"},
        {-60.6, 1, 0, kMeterTextUnits, u"静音 过载 0:00:00"},
        {-12, 0, UINT32_MAX, kMeterTextUnits, u"-12 dBFS 1193:02:47"},
        {-12, 0, 0, 5, u"-12 "},
    };
    for (const auto& c : cases) {
        std::u16string out(c.units, u'#');
        FormatMeterText(c.db, c.clipped, c.ms, out.data(), c.units);
        EXPECT_EQ(std::u16string(out.c_str()), c.text) << c.db;
    }
}
