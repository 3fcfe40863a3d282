// What a box says when a recording fails, the long form of file names, and the device chosen by name.
#include "DeviceNames.h"
#include "FaultText.h"
#include "LongPath.h"

#include <gtest/gtest.h>

#include <string>

using std::u16string;

TEST(FaultText, NamesTheCauseTheOutcomeAndTheSystemsReason) {
    // Fault, moment, the system's reason; then the parts the text must hold, in this order.
    const struct {
        SJobFault fault;
        EFaultMoment moment;
        const char16_t* reason;
        std::vector<u16string> holds;
    } rows[] = {
        {{kJobDeviceOpen, 1},
         kFaultAtStart,
         u"未指定错误",
         {u"无法打开音频输入设备“Mic”", u"录音没有开始", u"已连接", u"设置 → 隐私和安全性 → 麦克风",
          u"系统原因：未指定错误"}},
        {{kJobDeviceStart, kWaveBadFormat}, kFaultAtStart, u"", {u"“Mic”不支持所选的声道或采样率"}},
        {{kJobFileCreate, 5},
         kFaultAtSplit,
         u"拒绝访问。",
         {u"无法创建下一个文件“D:\\t.mp3”", u"录音已停止，已录下的文件都已保存", u"系统原因：拒绝访问"}},
    };
    for (const auto& row : rows) {
        char16_t out[512];
        ASSERT_EQ(FormatFaultText(row.fault, row.moment, u"D:\\t.mp3", u"Mic", row.reason, out, 512), 1);
        size_t at = 0;
        for (const u16string& part : row.holds)
            EXPECT_NE(at = u16string(out).find(part, at), u16string::npos) << testing::PrintToString(part);
        EXPECT_EQ(u16string(out).find(u"系统原因") != u16string::npos, *row.reason != 0) << row.fault.kind;
    }
}

TEST(LongPath, FullPathsTakeTheExtendedFormOthersStay) {
    const std::pair<u16string, u16string> rows[] = {
        {u"C:\\rec\\talk_1.mp3", u"\\\\?\\C:\\rec\\talk_1.mp3"},
        {u"d:/rec/a.mp3", u"\\\\?\\d:\\rec\\a.mp3"},
        {u"\\\\server\\share\\a.mp3", u"\\\\?\\UNC\\server\\share\\a.mp3"},
        {u"\\\\?\\C:\\a.mp3", u"\\\\?\\C:\\a.mp3"},
        {u"a.mp3", u"a.mp3"},
    };
    for (const auto& [path, extended] : rows) {
        char16_t out[64];
        ASSERT_EQ(ExtendedPath(path.c_str(), out, 64), 1) << testing::PrintToString(path);
        EXPECT_EQ(u16string(out), extended);
    }
    // A path of 300 units takes 305 with the prefix and the terminator.
    const u16string longPath = u"C:\\" + u16string(297, u'x');
    char16_t out[305];
    EXPECT_EQ(ExtendedPath(longPath.c_str(), out, 305), 1);
    EXPECT_EQ(ExtendedPath(longPath.c_str(), out, 304), 0);
}

TEST(DeviceNames, TheChosenDeviceIsFoundByNameAndOrderAfterTheListChanged) {
    const char16_t* before[] = {u"Mic", u"USB Audio", u"USB Audio", u"Line"};
    const char16_t* after[] = {u"USB Audio", u"Line", u"Headset", u"USB Audio"}; // "Mic" unplugged
    const int rows[][2] = {{0, -1}, {1, 0}, {2, 3}, {3, 1}};                     // position before, after
    for (const auto& row : rows) {
        const int occurrence = DeviceOccurrence(before, row[0]);
        EXPECT_EQ(FindDevice(after, 4, before[row[0]], occurrence), row[1]) << row[0];
    }
}
