// Follow-on names, limits, status text, the time limit, list values and the double-click rule.
#include "SeriesRules.h"
#include "ClickRules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using std::u16string;

TEST(SeriesRules, FollowOnNamesChangeOnlyTheFileNamePartAndMustFit) {
    const u16string stem(4089, u'a'); // + "_1.mp3" = 4095 units and the terminator
    // clang-format off
    const struct {
        u16string base;
        int32_t index;
        size_t units;
        u16string expected;
    } cases[] = {
        {u"D:\\rec\\talk.wav", 2, 4096, u"D:\\rec\\talk_2.mp3"},
        {u"D:\\rec.old\\talk", 1, 4096, u"D:\\rec.old\\talk_1.mp3"},
        {u"D:\\a.b/talk", 7, 4096, u"D:\\a.b/talk_7.mp3"}, {u"talk.tar.gz", 3, 4096, u"talk.tar_3.mp3"},
        {u"talk.", INT32_MAX, 4096, u"talk_2147483647.mp3"}, {u"talk.mp3", 0, 4096, u""},
        {stem + u".wav", 1, 4096, stem + u"_1.mp3"}, {stem + u"b", 1, 4096, u""}, {u"a.mp3", 1, 7, u""},
        {u"a.mp3", 1, 8, u"a_1.mp3"}};
    // clang-format on
    for (const auto& c : cases) {
        u16string out(c.units, u'#');
        const int ok = FormatFollowOnName(c.base.c_str(), c.index, out.data(), c.units);
        EXPECT_EQ(c.expected, ok ? u16string(out.c_str()) : u"") << c.base.size() << " " << c.index;
    }
}

TEST(SeriesRules, SeriesNamesNeverOverwriteAnExistingFollowOn) {
    std::set<u16string> disk{u"D:\\t.mp3", u"D:\\t_1.mp3", u"D:\\t_2.mp3", u"D:\\t_4.mp3"};
    auto exists = [](const char16_t* name, void* ctx) {
        return static_cast<int>(static_cast<std::set<u16string>*>(ctx)->count(name));
    };
    u16string out(kFileNameUnits, u'#');
    // The first file is the chosen name (the save dialog asked); later ones take the next free number.
    const int32_t cases[][2] = {{0, 0}, {1, 3}, {3, 3}, {4, 5}, {6, 6}};
    for (const auto& c : cases) {
        int32_t used = -1;
        ASSERT_EQ(1, MakeSeriesFileName(u"D:\\t.mp3", c[0], exists, &disk, out.data(), out.size(), &used));
        EXPECT_EQ(c[1], used) << c[0];
    }
    EXPECT_EQ(u"D:\\t_6.mp3", u16string(out.c_str()));
    disk.insert(u"D:\\t_2147483647.mp3"); // no number left: refused, never wrapped
    int32_t used = -1;
    EXPECT_EQ(0, MakeSeriesFileName(u"D:\\t.mp3", INT32_MAX, exists, &disk, out.data(), out.size(), &used));
    const u16string tooLong(4096, u'x');
    EXPECT_EQ(0, MakeSeriesFileName(tooLong.c_str(), 0, exists, &disk, out.data(), out.size(), &used));
}

TEST(SeriesRules, LimitsParseLikeStrtolFromTheFieldsUtf16TextAndClamp) {
    // clang-format off
    const struct {
        const char16_t* text;
        uint32_t splitBytes, durationMs;
    } cases[] = {
        {u"", 0, 0}, {u"abc", 0, 0}, {u" \t12abc", 12u << 20, 720000}, {u"+3", 3u << 20, 180000}, {u"-5", 0, 0},
        {u"４", 0, 0}, {u"1\u0660", 1u << 20, 60000}, // only ASCII digits count, as before
        {u"4095", 4293918720u, 245700000}, {u"4096", 4293918720u, 245760000},
        {u"71583", 4293918720u, 4294920000u}, {u"99999999999999999999999", 4293918720u, 4294920000u},
        {u"-99999999999999999999999", 0, 0}};
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(c.splitBytes, SplitBytesFromText(c.text)) << c.durationMs;
        EXPECT_EQ(c.durationMs, DurationMsFromText(c.text)) << c.splitBytes;
    }
    char16_t out[kStatusTextUnits];
    // Past 4 GiB the count does not wrap; the disk warning comes before the silence warning.
    FormatStatusText(uint64_t{1} << 32, kStatusNoInput | kStatusDiskRefuses, out, kStatusTextUnits);
    EXPECT_EQ(u"4096(MB) / 4294967296(B) 磁盘拒绝写入 无声音输入", u16string(out));
    FormatStatusText(1048575, 0, out, kStatusTextUnits);
    EXPECT_EQ(u"0(MB) / 1048575(B)", u16string(out));
}

TEST(SeriesRules, TickRulesSurviveTheWrap) {
    const uint32_t w = UINT32_MAX - 10000; // shortly before the tick count wraps
    EXPECT_EQ(0, TimeLimitPassed(61000, 1000, 60000));
    EXPECT_EQ(1, TimeLimitPassed(61001, 1000, 60000));
    EXPECT_EQ(0, TimeLimitPassed(w + 60000, w, 60000));
    EXPECT_EQ(1, TimeLimitPassed(w + 60001, w, 60000));
    EXPECT_EQ(0, TimeLimitPassed(UINT32_MAX, 0, 0)); // no limit
    // Without a split size a file still ends at 4095 MB, which FAT32 and exFAT sticks take.
    EXPECT_EQ(0, SplitDue(4293918719u, 0));
    EXPECT_EQ(1, SplitDue(4293918720u, 0));
    EXPECT_EQ(0, SplitDue(1048575, 1048576));
    EXPECT_EQ(1, SplitDue(1048576, 1048576));
    // A click on a button that appeared under the pointer within the double-click time is leftover.
    EXPECT_TRUE(IsLeftoverClick(1499, 1000, true, 500));
    EXPECT_FALSE(IsLeftoverClick(1500, 1000, true, 500));
    EXPECT_FALSE(IsLeftoverClick(1100, 1000, false, 500));
    EXPECT_TRUE(IsLeftoverClick(0x10, 0xFFFFFF00, true, 500));
    EXPECT_FALSE(IsLeftoverClick(0x300, 0xFFFFFF00, true, 500));
}

// Positions outside the lists (device, quality, channels, rate, bit rate) give no settings: a start
// with no list selection must not index the value tables. What each entry gives is read back from
// recorded files end to end.
TEST(SeriesRules, ListPositionsOutsideTheListsAreRefused) {
    const int rows[][5] = {
        {-1, 0, 1, 2, 1}, {0, 3, 1, 2, 1}, {0, 0, 2, 2, 1}, {0, 0, 1, 5, 1}, {0, 0, 1, 2, 3}};
    for (const auto& r : rows) {
        SJobSettings s{};
        EXPECT_EQ(JobSettingsFromPositions(r[0], r[1], r[2], r[3], r[4], &s), 0)
            << r[0] << r[1] << r[2] << r[3] << r[4];
    }
}
