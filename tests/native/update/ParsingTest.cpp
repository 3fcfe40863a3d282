// Number conversion at the 32-bit limits, the listed version, and the browser command line.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "BrowserCommand.h"
#include "DecimalText.h"
#include "FetchDeadline.h"
#include "ListedVersion.h"

namespace {

TEST(DecimalTextTest, ConvertsAndSaturates) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"0", 0},
        {"2147483647", INT32_MAX},
        {"2147483648", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-2147483649", INT32_MIN},
        {"4294967298", INT32_MAX},
        {"123456789012345678901234567890", INT32_MAX},
        {"-123456789012345678901234567890", INT32_MIN},
        {"000000000000000000000000000042", 42},
        {" \t\r\n+3", 3},
        {"-0", 0},
        {"2.9", 2},
        {"12abc", 12},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+-3", 0},
        {"- 3", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseDecimal32(c.text), c.value);
    }
}

TEST(ListedVersionTest, ReadsTheNumberUnderTheKey) {
    const struct {
        std::string body;
        int found;
        int32_t version;
    } cases[] = {
        {"{version\n2\n}\n", 1, 2},      {"{version\n2.9\n}\n", 1, 2}, {"{version\n10\n}\n", 1, 10},
        {"{version\nnew\n}\n", 1, 0},    {"{version\n-5\n}\n", 1, -5}, {"{version\n+3\n}\n", 1, 3},
        {"{name:url\nKavel:x\n}", 0, 0}, {"{version\n}\n", 0, 0},      {"", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        int32_t version = -99;
        EXPECT_EQ(ReadListedVersion(c.body.data(), static_cast<int32_t>(c.body.size()), version), c.found);
        if (c.found) {
            EXPECT_EQ(version, c.version);
        }
    }
}

// The tick count wraps after 49.7 days; a fetch started just before must still end in time.
TEST(FetchDeadlineTest, WaitsAtMostFiveSecondsAndNotPastTen) {
    const struct {
        uint32_t start, now, wait;
    } cases[] = {
        {1000, 1000, 5000}, {1000, 7500, 3500},        {1000, 11000, 0},
        {1000, 900000, 0},  {0xFFFFF000u, 3904, 2000}, {0xFFFFF000u, 20000, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFetchDeadline(c.start).NextWaitMs(c.now), c.wait) << c.start << " " << c.now;
}

TEST(BrowserCommandTest, PutsTheAddressInPlaceOfTheArguments) {
    const wchar_t* url = L"http://localhost/get.html";
    const struct {
        const wchar_t* stored;
        const wchar_t* line; // null: nothing to start
    } cases[] = {
        {L"\"C:\\Browser\\b.exe\" -osint -url \"%1\"", L"\"C:\\Browser\\b.exe\" http://localhost/get.html"},
        {L"\"C:\\Browser\\b.exe\"", L"\"C:\\Browser\\b.exe\" http://localhost/get.html"},
        {L"C:\\Program Files\\Web\\b.exe %1", L"\"C:\\Program Files\\Web\\b.exe\" http://localhost/get.html"},
        {L"C:\\X\\b.exe -url \"%1\"", L"\"C:\\X\\b.exe\" http://localhost/get.html"},
        {L"C:\\WEB\\B.EXE %1", L"\"C:\\WEB\\B.EXE\" http://localhost/get.html"},
        {L"C:\\x.exe\\b.exe.exe\\b.EXE -url %1",
         L"\"C:\\x.exe\\b.exe.exe\\b.EXE\" http://localhost/get.html"},
        {L"C:\\Web\\b.exe", L"\"C:\\Web\\b.exe\" http://localhost/get.html"},
        {L"C:\\Web\\b.exe\"%1\"", L"\"C:\\Web\\b.exe\" http://localhost/get.html"},
        {L"winebrowser -nohome", L"\"winebrowser\" http://localhost/get.html"},
        {L"\"C:\\Web\\b.exe %1", nullptr},
        {L"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.stored)));
        wchar_t command[256] = {};
        std::wcsncpy(command, c.stored, 255);
        ASSERT_EQ(BuildBrowserCommand(command, 256, url), c.line ? 1 : 0);
        if (c.line) {
            EXPECT_EQ(std::wstring(command), c.line);
        }
    }
}

TEST(BrowserCommandTest, RefusesALineThatDoesNotFit) {
    // Both lines are "C:\b.exe" in quotes, a space and 25 characters: 37 with the terminator.
    const wchar_t* url = L"http://localhost/get.html";
    for (const wchar_t* stored : {L"\"C:\\b.exe\" %1", L"C:\\b.exe %1"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(stored)));
        wchar_t command[64];
        wcscpy(command, stored);
        EXPECT_EQ(BuildBrowserCommand(command, 37, url), 1);
        wcscpy(command, stored);
        EXPECT_EQ(BuildBrowserCommand(command, 36, url), 0);
        EXPECT_EQ(std::wstring(command), stored);
    }
}

} // namespace
