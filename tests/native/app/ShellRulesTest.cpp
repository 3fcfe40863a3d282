// The shell's small rules: where the program's files are, the device chosen by name, what each fault's
// box says, one copy, what a recording asks of the power manager, and what the level meter shows.
#include "AwakeRules.h"
#include "DeviceNames.h"
#include "FaultText.h"
#include "LongPath.h"
#include "MeterRules.h"
#include "OneCopy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

using std::u16string;

TEST(LongPath, TheProgramsFilesAreFoundBesideItInTheExtendedForm) {
    // The program's path as the system gives it; the skin's (empty: none). Long paths: SeriesFiles.
    const std::pair<u16string, u16string> rows[] = {
        {u"\\\\server\\share\\K\\Kavel.exe", u"\\\\?\\UNC\\server\\share\\K\\Kavel.eb"},
        {u"\\\\?\\C:\\K\\Kavel.exe", u"\\\\?\\C:\\K\\Kavel.eb"},
        {u"Kavel.exe", u""}};
    for (const auto& [program, skin] : rows) {
        char16_t out[64];
        EXPECT_EQ(FileBesideProgram(program.c_str(), u"Kavel.eb", out, 64) ? u16string(out) : u"", skin);
        EXPECT_EQ(FileBesideProgram(program.c_str(), u"Kavel.eb", out, skin.size()), 0) << "not cut";
    }
}

TEST(DeviceNames, TheChoiceIsKeptByNameWhileItsDeviceIsGoneAndTakenAgainWhenItIsBack) {
    using Names = std::vector<const char16_t*>;
    // Each step: the system's devices; the entry the user then chooses (-1: none); the list shown,
    // its chosen entry and the device a start opens (-1: refused).
    const std::tuple<Names, int, u16string, int, int> steps[] = {
        {{}, -1, u"", -1, -1},
        {{u"Mic", u"USB"}, 1, u"Mic|USB", 1, 1},
        {{u"Headset", u"Mic", u"USB"}, -1, u"Headset|Mic|USB", 2, 2},
        {{u"Mic"}, -1, u"Mic|USB（已断开）", 1, -1},
        {{u"USB", u"Mic"}, -1, u"USB|Mic", 0, 0},
        {{u"USB", u"USB"}, 1, u"USB|USB", 1, 1}, // same-named devices by their order
        {{u"USB"}, -1, u"USB|USB（已断开）", 1, -1},
        {{u"Line", u"USB", u"USB"}, -1, u"Line|USB|USB", 2, 2},
        {{u"Line"}, 0, u"Line|USB（已断开）", 0, 0},
        {{u"Line"}, -1, u"Line", 0, 0}};
    SDeviceList shown;
    for (const auto& [system, choose, list, selected, opens] : steps) {
        SDeviceList next;
        const int there = FollowDevices(shown, system.data(), int(system.size()), &next);
        shown = next;
        shown.selected = choose >= 0 ? choose : shown.selected;
        u16string joined;
        for (int i = 0; i < shown.count; ++i)
            joined += (i ? u"|" : u"") + u16string(shown.text[i]);
        char16_t name[kDeviceNameUnits];
        EXPECT_EQ(std::tuple(joined, shown.selected, there,
                             ChosenDeviceIndex(shown, system.data(), int(system.size()), name)),
                  std::tuple(list, selected, int(list.find(kGoneMark) == u16string::npos), opens));
    }
}

TEST(FaultText, EachFaultSaysItsCauseWhatBecameOfTheRecordingAndWhatToDo) {
    // The fault; words the box must hold, and words it must not. (A split's: the Wine test.)
    // clang-format off
    const std::tuple<SJobFault, std::vector<u16string>, const char16_t*> rows[] = {
        {{kJobFileCreate, 5}, {u"无法创建文件“f.mp3”。录音没有开始。", u"\n\n系统原因：why"}, u"下一个"},
        {{kJobDeviceOpen, 2}, {u"无法打开音频输入设备“Mic”", u"隐私和安全性", u"设置 → 隐私 → 麦克风"}, u"占用"},
        {{kJobDeviceOpen, 4}, {u"“Mic”正被其他程序使用", u"关闭"}, u"隐私"},
        {{kJobDeviceStart, 32}, {u"“Mic”不支持所选的声道或采样率"}, u"隐私"},
        {{kJobEncoder, 0}, {u"编码器不接受所选的采样率、声道和位率"}, u"Mic"},
        {{kJobNoMemory, 8}, {u"内存或系统资源不足"}, u"Mic"}};
    // clang-format on
    for (const auto& [fault, words, absent] : rows) {
        char16_t out[1024];
        ASSERT_EQ(FormatFaultText(fault, kFaultAtStart, u"f.mp3", u"Mic", u"why", out, 1024), 1);
        for (const u16string& word : words)
            EXPECT_NE(u16string(out).find(word), u16string::npos) << fault.kind << " " << fault.code;
        EXPECT_EQ(u16string(out).find(absent), u16string::npos) << fault.kind << " " << fault.code;
        EXPECT_EQ(FormatFaultText(fault, kFaultAtStart, u"f.mp3", u"Mic", u"why", out, 8), 0) << "not cut";
    }
}

TEST(OneCopy, ASecondCopyBringsTheFirstForwardOrEndsQuietlyWhileTheFirstChecksForUpdates) {
    // The mutex handle given, GetLastError after it (5: denied, as another user's elevated copy does;
    // 183: it exists; 6: the name is another kind of object's), the running copy's window found.
    const std::tuple<bool, uint32_t, bool, EOneCopy> rows[] = {
        {true, 0, false, kStartThisCopy},        {true, 183, false, kEndQuietly},
        {true, 183, true, kBringRunningForward}, {false, 5, false, kEndQuietly},
        {false, 6, false, kStartThisCopy},       {false, 6, true, kBringRunningForward}};
    for (const auto& [handle, error, window, outcome] : rows)
        EXPECT_EQ(DecideOneCopy(handle, error, window), outcome) << error << " " << window;
}

// ES_CONTINUOUS with ES_SYSTEM_REQUIRED, and ES_DISPLAY_REQUIRED on Modern Standby; then nothing held.
TEST(Awake, ARecordingKeepsTheSystemAndOnModernStandbyTheDisplayOn) {
    EXPECT_EQ(std::tuple(RecordingExecutionState(false), RecordingExecutionState(true), kIdleExecutionState),
              std::tuple(0x80000001u, 0x80000003u, 0x80000000u));
}

TEST(MeterRules, TextSaysLevelClipAndElapsedTime) {
    // Bar level, clipped, elapsed ms, units of the buffer; the text.
    const std::tuple<double, int, uint32_t, size_t, u16string> cases[] = {
        {-5.8, 0, 5999, kMeterTextUnits, u"-6 dBFS 0:00:05"},
        {-INFINITY, 0, 83000, kMeterTextUnits, u"静音 0:01:23"},
        {-60.6, 1, 0, kMeterTextUnits, u"静音 过载 0:00:00"},
        {-12, 0, UINT32_MAX, kMeterTextUnits, u"-12 dBFS 1193:02:47"},
        {-12, 0, 0, 5, u"-12 "}};
    for (const auto& [db, clipped, ms, units, text] : cases) {
        u16string out(units, u'#');
        FormatMeterText(db, clipped, ms, out.data(), units);
        EXPECT_EQ(u16string(out.c_str()), text) << db;
    }
}

TEST(MeterRules, TheBarFallsAt20DbASecondAndTheMarkHoldsThePeakForOneAndAHalfSeconds) {
    // Readings (peak dB, ms of new audio); then the bar and the mark in dB, and in pixels of a scale
    // 120 wide.
    // clang-format off
    const std::tuple<std::vector<std::pair<double, uint32_t>>, double, double, int, int> cases[] = {
        {{{-6, 100}, {-40, 500}}, -16, -6, 88, 108},
        {{{-6, 100}, {-40, 1400}}, -34, -6, 52, 108},
        {{{-6, 100}, {-40, 500}, {-40, 1000}}, -36, -36, 48, 48}, // after 1.5 s the mark falls to the bar
        {{{-20, 100}, {-10, 100}}, -10, -10, 100, 100},           // a higher peak takes the mark at once
        {{{-6, 100}, {-3, 0}}, -6, -6, 108, 108},                 // no new audio: nothing moves
        {{{3, 100}, {-70, 3000}}, -57, -57, 6, 6},
        {{{-70, 100}}, -70, -70, 0, 0}};
    // clang-format on
    for (const auto& [readings, bar, hold, barPx, holdPx] : cases) {
        SMeterState s = MeterAtStart();
        for (auto [db, ms] : readings)
            StepMeter(&s, db, ms);
        EXPECT_EQ(std::tuple(s.barDb, s.holdDb, MeterPixels(s.barDb, 120), MeterPixels(s.holdDb, 120)),
                  std::tuple(bar, hold, barPx, holdPx));
    }
    EXPECT_EQ(std::tuple(MeterPixels(0.5, 120), MeterPixels(-INFINITY, 120)), std::tuple(120, 0));
}
