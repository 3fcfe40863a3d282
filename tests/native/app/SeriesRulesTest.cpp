// Follow-on names, limits, status text, the time limit across the tick wrap and list values.
#include "SeriesRules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

std::u16string FollowOn(const std::u16string& base, int32_t index, size_t units = kFileNameUnits) {
    std::u16string out(units, u'#');
    if (!FormatFollowOnName(base.c_str(), index, out.data(), units))
        return u"<none>";
    return out.c_str();
}

std::string Narrow(const std::u16string& s) {
    return std::string(s.begin(), s.end());
}

struct ExistingFiles {
    std::set<std::u16string> names;
    static int Exists(const char16_t* name, void* ctx) {
        return static_cast<ExistingFiles*>(ctx)->names.count(name) ? 1 : 0;
    }
};

} // namespace

TEST(SeriesRules, FollowOnNamesChangeOnlyTheFileNamePart) {
    const struct {
        const char16_t* base;
        int32_t index;
        const char16_t* expected;
    } cases[] = {
        {u"D:\\rec\\talk.mp3", 1, u"D:\\rec\\talk_1.mp3"},
        {u"D:\\rec\\talk.wav", 2, u"D:\\rec\\talk_2.mp3"},
        {u"D:\\rec.old\\talk", 1, u"D:\\rec.old\\talk_1.mp3"},
        {u"D:/rec.old/talk", 1, u"D:/rec.old/talk_1.mp3"},
        {u"D:\\rec.old/a.b\\talk", 7, u"D:\\rec.old/a.b\\talk_7.mp3"},
        {u"talk.tar.gz", 3, u"talk.tar_3.mp3"},
        {u"talk", 12, u"talk_12.mp3"},
        {u"D:\\rec\\talk.", 1, u"D:\\rec\\talk_1.mp3"},
        {u"D:\\rec\\talk.mp3", INT32_MAX, u"D:\\rec\\talk_2147483647.mp3"},
        {u"D:\\rec\\录音.mp3", 4, u"D:\\rec\\录音_4.mp3"},
        {u"D:\\rec\\talk.mp3", 0, u"<none>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::u16string(c.expected), FollowOn(c.base, c.index)) << Narrow(c.base) << " " << c.index;
}

TEST(SeriesRules, NamesThatDoNotFitAreRefused) {
    // "_1.mp3" is 6 units: a 4089-unit stem gives exactly 4095 units and the terminator.
    const std::u16string stem(4089, u'a');
    EXPECT_EQ(4095u, FollowOn(stem + u".wav", 1).size());
    EXPECT_EQ(u"<none>", FollowOn(stem + u"b", 1));
    EXPECT_EQ(u"<none>", FollowOn(stem, 10));
    EXPECT_EQ(u"<none>", FollowOn(u"a.mp3", 1, 7));
    EXPECT_EQ(u"a_1.mp3", FollowOn(u"a.mp3", 1, 8));

    std::u16string out(kFileNameUnits, u'#');
    int32_t used = -1;
    const std::u16string longest(4095, u'x');
    EXPECT_EQ(1, MakeSeriesFileName(longest.c_str(), 0, nullptr, nullptr, out.data(), out.size(), &used));
    EXPECT_EQ(longest, std::u16string(out.c_str()));
    EXPECT_EQ(
        0, MakeSeriesFileName((longest + u"x").c_str(), 0, nullptr, nullptr, out.data(), out.size(), &used));
}

TEST(SeriesRules, FollowOnFilesSkipNamesThatExist) {
    ExistingFiles disk{{u"D:\\talk.mp3", u"D:\\talk_1.mp3", u"D:\\talk_2.mp3", u"D:\\talk_4.mp3"}};
    std::u16string out(kFileNameUnits, u'#');
    auto name = [&](int32_t index, int32_t* used) {
        return MakeSeriesFileName(u"D:\\talk.mp3", index, ExistingFiles::Exists, &disk, out.data(),
                                  out.size(), used);
    };
    // The first file is the chosen name, existing or not (the save dialog asked); later ones
    // take the next free number.
    const int32_t cases[][2] = {{0, 0}, {1, 3}, {3, 3}, {6, 6}, {4, 5}};
    for (const auto& c : cases) {
        int32_t used = -1;
        ASSERT_EQ(1, name(c[0], &used)) << c[0];
        EXPECT_EQ(c[1], used) << c[0];
    }
    EXPECT_EQ(u"D:\\talk_5.mp3", std::u16string(out.c_str()));

    // The last number taken and no name left: refused instead of wrapping to a negative number.
    disk.names.insert(u"D:\\talk_2147483647.mp3");
    int32_t used = -1;
    EXPECT_EQ(0, name(INT32_MAX, &used));
    EXPECT_EQ(0, name(-1, &used));
}

TEST(SeriesRules, LimitsParseLikeStrtolAndClamp) {
    const struct {
        const char* text;
        uint32_t splitBytes;
        uint32_t durationMs;
    } cases[] = {
        {"", 0, 0},
        {"0", 0, 0},
        {"abc", 0, 0},
        {"1", 1048576, 60000},
        {"  \t12abc", 12u << 20, 720000},
        {"+3", 3u << 20, 180000},
        {"-5", 0, 0},
        {"- 5", 0, 0},
        {"4095", 4293918720u, 245700000},
        {"4096", 4293918720u, 245760000},
        {"71582", 4293918720u, 4294920000u},
        {"71583", 4293918720u, 4294920000u},
        {"99999999999999999999999999", 4293918720u, 4294920000u},
        {"-99999999999999999999999999", 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.splitBytes, SplitBytesFromText(c.text)) << '"' << c.text << '"';
        EXPECT_EQ(c.durationMs, DurationMsFromText(c.text)) << '"' << c.text << '"';
    }
}

TEST(SeriesRules, StatusTextShowsWholeMegabytesAndBytes) {
    const struct {
        uint32_t bytes;
        const char16_t* text;
    } cases[] = {
        {0, u"0(MB) / 0(B)"},
        {1048575, u"0(MB) / 1048575(B)"},
        {1048576, u"1(MB) / 1048576(B)"},
        {5000000, u"4(MB) / 5000000(B)"},
        {UINT32_MAX, u"4095(MB) / 4294967295(B)"},
    };
    for (const auto& c : cases) {
        char16_t out[kStatusTextUnits];
        FormatStatusText(c.bytes, out, kStatusTextUnits);
        EXPECT_EQ(std::u16string(c.text), std::u16string(out)) << c.bytes;
    }
}

TEST(SeriesRules, TimeLimitIsStrictAndSurvivesTheTickWrap) {
    const uint32_t beforeWrap = UINT32_MAX - 10000;
    const struct {
        uint32_t now, start, durationMs;
        int passed;
    } cases[] = {
        {61000, 1000, 60000, 0},
        {61001, 1000, 60000, 1},
        {beforeWrap + 60000, beforeWrap, 60000, 0},
        {beforeWrap + 60001, beforeWrap, 60000, 1},
        {5000, beforeWrap, 60000, 0},
        {UINT32_MAX, 0, 0, 0},
        {4294920001u, 0, 4294920000u, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.passed, TimeLimitPassed(c.now, c.start, c.durationMs)) << c.now << " " << c.start;

    EXPECT_EQ(0, SplitDue(UINT32_MAX, 0));
    EXPECT_EQ(0, SplitDue(1048575, 1048576));
    EXPECT_EQ(1, SplitDue(1048576, 1048576));
}

TEST(SeriesRules, ListPositionsGiveJobSettings) {
    const struct {
        int device, quality, channels, rate, bitRate;
        SJobSettings expected; // device, quality, channels, rate, factor; all 0 when refused
    } cases[] = {
        {0, 0, 1, 2, 1, {0, 0, 2, 44100, 2}}, // the selections at start
        {3, 2, 0, 4, 2, {3, 9, 1, 96000, 3}},
        {0, 1, 0, 1, 0, {0, 5, 1, 22050, 1}},
        {1, 0, 0, 3, 0, {1, 0, 1, 48000, 1}},
        // CB_ERR (-1) or a position past a list's end must not index the tables.
        {-1, 0, 1, 2, 1, {}},
        {0, 3, 1, 2, 1, {}},
        {0, 0, 2, 2, 1, {}},
        {0, 0, 1, 5, 1, {}},
        {0, 0, 1, 2, -1, {}},
    };
    for (const auto& c : cases) {
        SJobSettings s{};
        const int ok = JobSettingsFromPositions(c.device, c.quality, c.channels, c.rate, c.bitRate, &s);
        const SJobSettings& e = c.expected;
        EXPECT_EQ(e.sampleRate != 0, ok) << c.device << c.quality << c.channels << c.rate << c.bitRate;
        EXPECT_TRUE(!ok ||
                    (s.deviceIndex == e.deviceIndex && s.quality == e.quality && s.channels == e.channels &&
                     s.sampleRate == e.sampleRate && s.bitRateFactor == e.bitRateFactor))
            << c.quality << c.channels << c.rate << c.bitRate;
    }
}
