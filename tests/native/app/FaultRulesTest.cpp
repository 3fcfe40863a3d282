// The long form of file names, and the device chosen by name.
#include "DeviceNames.h"
#include "LongPath.h"

#include <gtest/gtest.h>

#include <string>

using std::u16string;

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
