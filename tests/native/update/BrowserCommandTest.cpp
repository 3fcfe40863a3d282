// The browser's command line: its program path, always quoted, and the address as the only argument.
#include <gtest/gtest.h>

#include <tuple>

#include "BrowserCommand.h"

TEST(BrowserCommandTest, PutsTheAddressInPlaceOfTheArguments) {
    // The stored command, the buffer's capacity and the line made of it (null: nothing to start,
    // the command left as it was).
    const std::tuple<const wchar_t*, int, const wchar_t*> rows[] = {
        {L"\"C:\\B\\b.exe\" -osint -url \"%1\"", 99, L"\"C:\\B\\b.exe\" http://h/"},
        {L"\"C:\\B\\b.exe %1", 99, nullptr},
        {L"C:\\Program Files\\B\\b.Exe %1", 99, L"\"C:\\Program Files\\B\\b.Exe\" http://h/"},
        {L"C:\\x.exe\\b.exe\"%1\"", 99, L"\"C:\\x.exe\\b.exe\" http://h/"},
        {L"C:\\B\\b.exe", 99, L"\"C:\\B\\b.exe\" http://h/"},
        {L"winebrowser -nohome", 99, L"\"winebrowser\" http://h/"},
        {L"C:\\b.exe %1", 21, L"\"C:\\b.exe\" http://h/"},
        {L"C:\\b.exe %1", 20, nullptr}};
    for (const auto& [stored, capacity, line] : rows) {
        std::wstring command = stored + std::wstring(99, L'\0'); // room for any capacity in the table
        EXPECT_EQ(BuildBrowserCommand(command.data(), capacity, L"http://h/"), line ? 1 : 0) << stored;
        EXPECT_EQ(command.c_str(), std::wstring(line ? line : stored)) << stored;
    }
}
