// Follow-on names, limits, status text, the time limit, list values and the double-click rule.
#include "SeriesRules.h"
#include "ClickRules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

using std::u16string;

TEST(SeriesRules, FollowOnNamesChangeOnlyTheFileNamePartAndMustFit) {
    // Base, number, buffer units, the name made (empty: refused); "a_1.mp3" needs 8 units.
    // clang-format off
    const std::tuple<const char16_t*, int32_t, size_t, const char16_t*> rows[] = {
        {u"D:\\r.d\\talk", 1, 99, u"D:\\r.d\\talk_1.mp3"}, {u"a.b/talk", 7, 99, u"a.b/talk_7.mp3"},
        {u"talk.tar.gz", 3, 99, u"talk.tar_3.mp3"}, {u"talk.", INT32_MAX, 99, u"talk_2147483647.mp3"},
        {u"talk.mp3", 0, 99, u""}, {u"a.mp3", 1, 7, u""}, {u"a.mp3", 1, 8, u"a_1.mp3"}};
    // clang-format on
    for (const auto& [base, index, units, name] : rows) {
        u16string out(units, u'#');
        EXPECT_EQ(FormatFollowOnName(base, index, out.data(), units) ? out.c_str() : u"", u16string(name));
    }
}

TEST(SeriesRules, SeriesNamesNeverOverwriteAnExistingFollowOn) {
    using Disk = std::set<u16string>;
    Disk disk{u"t.mp3", u"t_1.mp3", u"t_2.mp3", u"t_4.mp3", u"t_2147483647.mp3"};
    auto exists = [](const char16_t* name, void* ctx) { return int(static_cast<Disk*>(ctx)->count(name)); };
    u16string out(kFileNameUnits, u'#');
    // Base, first number asked, number taken (-1: refused, as no number is left or the name does not
    // fit). The first file is the chosen name: the save dialog asked.
    // clang-format off
    const std::tuple<u16string, int32_t, int32_t> rows[] = {
        {u"t.mp3", INT32_MAX, -1}, {u16string(4096, u'x'), 0, -1}, {u"t.mp3", 0, 0}, {u"t.mp3", 1, 3},
        {u"t.mp3", 4, 5}};
    // clang-format on
    for (const auto& [base, index, taken] : rows) {
        int32_t used = -1;
        EXPECT_EQ(MakeSeriesFileName(base.c_str(), index, exists, &disk, out.data(), out.size(), &used),
                  taken >= 0);
        EXPECT_EQ(used, taken) << index;
    }
    EXPECT_EQ(u"t_5.mp3", u16string(out.c_str()));
}

TEST(SeriesRules, LimitsParseLikeStrtolFromTheFieldsUtf16TextAndClamp) {
    // Field text, split size in bytes, time limit in ms. Only ASCII digits count, as before; a negative
    // limit is none, a too large one the largest.
    // clang-format off
    const std::tuple<const char16_t*, uint32_t, uint32_t> rows[] = {
        {u" \t12abc", 12u << 20, 720000}, {u"+3", 3u << 20, 180000}, {u"-5", 0, 0},
        {u"1\u0660", 1u << 20, 60000}, {u"99999999999999999999999", 4293918720u, 4294920000u}};
    // clang-format on
    for (const auto& [text, splitBytes, durationMs] : rows) {
        EXPECT_EQ(SplitBytesFromText(text), splitBytes) << durationMs;
        EXPECT_EQ(DurationMsFromText(text), durationMs) << splitBytes;
    }
    char16_t out[kStatusTextUnits];
    // Past 4 GiB the count does not wrap; the disk warning, the audio lost, then the silence warning.
    FormatStatusText(uint64_t{1} << 32, kStatusNoInput | kStatusDiskRefuses, 3249, out, kStatusTextUnits);
    EXPECT_EQ(u"4096(MB) / 4294967296(B) 磁盘拒绝写入 丢失 3.2 秒 无声音输入", u16string(out));
    FormatStatusText(1048575, 0, 40, out, kStatusTextUnits);
    EXPECT_EQ(u"0(MB) / 1048575(B) 丢失 0.1 秒", u16string(out));
}

TEST(SeriesRules, TickRulesSurviveTheWrap) {
    const uint32_t w = UINT32_MAX - 10000; // shortly before the tick count wraps
    EXPECT_EQ(0, TimeLimitPassed(w + 60000, w, 60000));
    EXPECT_EQ(1, TimeLimitPassed(w + 60001, w, 60000));
    EXPECT_EQ(0, TimeLimitPassed(UINT32_MAX, 0, 0)); // no limit
    // Without a split size a file still ends at 4095 MB, which FAT32 and exFAT sticks take.
    EXPECT_EQ(0, SplitDue(4293918719u, 0));
    EXPECT_EQ(1, SplitDue(4293918720u, 0));
    EXPECT_EQ(1, SplitDue(1048576, 1048576));
    // A click on a button that appeared under the pointer within the double-click time is leftover;
    // the button here appeared 256 ms before the tick count wrapped.
    EXPECT_TRUE(IsLeftoverClick(0xF3, 0xFFFFFF00, true, 500));
    EXPECT_FALSE(IsLeftoverClick(0xF4, 0xFFFFFF00, true, 500));
    EXPECT_FALSE(IsLeftoverClick(0xF3, 0xFFFFFF00, false, 500));
}

// Positions outside the lists (device, quality, channels, rate, bit rate) give no settings: a start
// with no list selection must not index the value tables. What each entry gives is read back from
// recorded files end to end.
TEST(SeriesRules, ListPositionsOutsideTheListsAreRefused) {
    const int rows[][5] = {
        {-1, 0, 1, 2, 1}, {0, 3, 1, 2, 1}, {0, 0, 2, 2, 1}, {0, 0, 1, 5, 1}, {0, 0, 1, 2, 3}};
    SJobSettings s{};
    for (const auto& r : rows)
        EXPECT_EQ(JobSettingsFromPositions(r[0], r[1], r[2], r[3], r[4], &s), 0) << &r - rows;
}
