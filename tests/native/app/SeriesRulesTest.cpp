// The series' files, limits, status text, the time limit, list values and the double-click rule.
#include "SeriesRules.h"
#include "ClickRules.h"
#include "SeriesFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>

using std::u16string;

namespace {

constexpr char16_t kFolder[] = u"C:\\r\\";

// The table's disk: names in kFolder and what each does: 'e' is there, 'a' appears when the series
// creates it (another program was quicker), 'r' cannot be created. The calls take extended names.
struct SDisk {
    std::map<u16string, char16_t> state;
    u16string tried; // the names created, in order

    static u16string Plain(const char16_t* n) { // the name in "\\?\C:\r\"
        return u16string(n).starts_with(u"\\\\?\\C:\\r\\") ? n + 9 : u"not extended: " + u16string(n);
    }
    static int Exists(const char16_t* n, void* d) { return static_cast<SDisk*>(d)->state[Plain(n)] == u'e'; }
    static int Create(const char16_t* n, void* d) {
        auto* disk = static_cast<SDisk*>(d);
        disk->tried += (disk->tried.empty() ? u"" : u"|") + Plain(n);
        char16_t& state = disk->state[Plain(n)];
        return state == u'r' ? 0 : std::exchange(state, u'e') != u'a';
    }
};

} // namespace

TEST(SeriesFiles, EachFileTakesAFreeNameInItsExtendedFormAndTheNextFreeNumberOnceMore) {
    const u16string x250(250, u'x'), tooLong(4086, u'x');
    // Base in kFolder, number asked, the disk; the names created in order (the first free one, and
    // after a failed creation the next free one once more); whether one was made, the last. Follow-on
    // names change only the file-name part; one past MAX_PATH is made like any other.
    using Disk = std::map<u16string, char16_t>;
    // clang-format off
    const std::tuple<u16string, int32_t, Disk, u16string, int> rows[] = {
        {u"t.mp3", 0, {{u"t.mp3", u'e'}}, u"t.mp3", 1}, // the save dialog asked about this one
        {u"t.mp3", 1, {{u"t.mp3", u'e'}, {u"t_1.mp3", u'e'}, {u"t_2.mp3", u'e'}, {u"t_4.mp3", u'e'}}, u"t_3.mp3", 1},
        {u"t.mp3", 1, {{u"t_1.mp3", u'a'}}, u"t_1.mp3|t_2.mp3", 1},
        {u"t.mp3", 1, {{u"t_1.mp3", u'a'}, {u"t_2.mp3", u'a'}}, u"t_1.mp3|t_2.mp3", 0},
        {u"t.mp3", 1, {{u"t_1.mp3", u'r'}}, u"t_1.mp3|t_1.mp3", 0},
        {u"r.d\\talk", 1, {}, u"r.d\\talk_1.mp3", 1},
        {u"talk.tar.gz", 3, {}, u"talk.tar_3.mp3", 1},
        {u"t.", INT32_MAX, {}, u"t_2147483647.mp3", 1},
        {u"t.", INT32_MAX, {{u"t_2147483647.mp3", u'e'}}, u"", 0},
        {x250 + u".mp3", 1, {}, x250 + u"_1.mp3", 1},
        {tooLong + u".mp3", 1, {}, u"", 0}};
    // clang-format on
    for (const auto& [base, index, onDisk, tried, madeOne] : rows) {
        SDisk disk{onDisk, u""};
        u16string plain(kFileNameUnits, u'#');
        int32_t used = -1;
        const int made =
            MakeSeriesFile((kFolder + base).c_str(), index, {SDisk::Exists, SDisk::Create, &disk}, 2,
                           plain.data(), plain.size(), &used);
        EXPECT_EQ(std::tuple(disk.tried, made), std::tuple(tried, madeOne)) << index;
        // The name taken, or the last one tried: a box names it.
        if (!tried.empty()) {
            EXPECT_EQ(u16string(plain.c_str()), kFolder + tried.substr(tried.rfind(u'|') + 1)) << index;
        }
    }
}

TEST(SeriesRules, LimitFieldsTakeBlanksAndFullWidthDigitsAndRefuseAnythingElse) {
    // Field text, split size in bytes and time limit in ms (-1: refused). Pasted text gets past the
    // field's digits-only style.
    // clang-format off
    const std::tuple<const char16_t*, int64_t, int64_t> rows[] = {
        {u"", 0, 0}, {u" \t12\u3000", 12 << 20, 720000}, {u"１２０", 120 << 20, 7200000}, {u"007", 7 << 20, 420000},
        {u"4095", 4293918720, 245700000}, {u"4096", -1, 245760000}, {u"71582", -1, 4294920000},
        {u"71583", -1, -1}, {u"1,000", -1, -1}, {u"+3", -1, -1}, {u"-5", -1, -1}, {u"12abc", -1, -1},
        {u"1 2", -1, -1}, {u"1\u0660", -1, -1}, {u"99999999999999999999999", -1, -1}};
    // clang-format on
    for (const auto& [text, splitBytes, durationMs] : rows) {
        uint32_t bytes = 0, ms = 0;
        EXPECT_EQ(SplitBytesFromText(text, &bytes) ? int64_t{bytes} : -1, splitBytes) << durationMs;
        EXPECT_EQ(DurationMsFromText(text, &ms) ? int64_t{ms} : -1, durationMs) << splitBytes;
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
    EXPECT_EQ(std::tuple(TimeLimitPassed(w + 60000, w, 60000), TimeLimitPassed(w + 60001, w, 60000),
                         TimeLimitPassed(UINT32_MAX, 0, 0)), // no limit
              std::tuple(0, 1, 0));
    // The series' clock stands until the limit has passed; a start after it begins a new period.
    EXPECT_EQ(std::tuple(SeriesClockAtStart(w + 60000, w, 60000), SeriesClockAtStart(w + 60001, w, 60000),
                         SeriesClockAtStart(5, 0, 60000)),
              std::tuple(w, w + 60001, 5u));
    // Without a split size a file still ends at 4095 MB, which FAT32 and exFAT sticks take.
    EXPECT_EQ(std::tuple(SplitDue(4293918719u, 0), SplitDue(4293918720u, 0), SplitDue(1048576, 1048576)),
              std::tuple(0, 1, 1));
    // A click on a button that appeared under the pointer within the double-click time is leftover;
    // the button here appeared 256 ms before the tick count wrapped.
    EXPECT_EQ(std::tuple(IsLeftoverClick(0xF3, 0xFFFFFF00, true, 500),
                         IsLeftoverClick(0xF4, 0xFFFFFF00, true, 500),
                         IsLeftoverClick(0xF3, 0xFFFFFF00, false, 500)),
              std::tuple(true, false, false));
}

// Positions outside the lists (device, quality, channels, rate, bit rate) give no settings: a start
// with no list selection must not index the value tables. The last row is every list's last entry.
TEST(SeriesRules, ListPositionsOutsideTheListsAreRefused) {
    const int rows[][6] = {{-1, 0, 1, 2, 1, 0}, {0, 3, 1, 2, 1, 0}, {0, 0, 2, 2, 1, 0},
                           {0, 0, 1, 5, 1, 0},  {0, 0, 1, 2, 3, 0}, {7, 2, 1, 4, 2, 1}};
    SJobSettings s{};
    for (const auto& r : rows)
        EXPECT_EQ(JobSettingsFromPositions(r[0], r[1], r[2], r[3], r[4], &s), r[5]) << &r - rows;
    EXPECT_EQ(std::tuple(s.deviceIndex, s.quality, s.channels, s.sampleRate, s.bitRateFactor),
              std::tuple(7u, 9, 2, 96000, 3));
}
