// The meter's text: level, clip and elapsed time in words.
#include "MeterRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

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
