// The browser's command line: its program path, always quoted, and the address as the only argument.
#include <gtest/gtest.h>

#include <cwchar>

#include "BrowserCommand.h"

TEST(BrowserCommandTest, PutsTheAddressInPlaceOfTheArguments) {
    const struct {
        const wchar_t* stored;
        int capacity;
        const wchar_t* line; // null: nothing to start, the command left as it was
    } rows[] = {{L"\"C:\\B\\b.exe\" -url \"%1\"", 99, L"\"C:\\B\\b.exe\" http://h/"},
                {L"\"C:\\B\\b.exe\"", 99, L"\"C:\\B\\b.exe\" http://h/"},
                {L"\"C:\\B\\b.exe %1", 99, nullptr},
                {L"", 99, nullptr},
                {L"C:\\Program Files\\B\\b.exe %1", 99, L"\"C:\\Program Files\\B\\b.exe\" http://h/"},
                {L"C:\\x.exe\\B.EXE\"%1\"", 99, L"\"C:\\x.exe\\B.EXE\" http://h/"},
                {L"C:\\B\\b.exe", 99, L"\"C:\\B\\b.exe\" http://h/"},
                {L"winebrowser -nohome", 99, L"\"winebrowser\" http://h/"},
                {L"\"C:\\b.exe\" %1", 21, L"\"C:\\b.exe\" http://h/"},
                {L"\"C:\\b.exe\" %1", 20, nullptr},
                {L"C:\\b.exe %1", 21, L"\"C:\\b.exe\" http://h/"},
                {L"C:\\b.exe %1", 20, nullptr}};
    for (const auto& row : rows) {
        wchar_t command[99] = {};
        std::wcscpy(command, row.stored);
        EXPECT_EQ(BuildBrowserCommand(command, row.capacity, L"http://h/"), row.line ? 1 : 0);
        EXPECT_EQ(std::wstring(command), row.line ? row.line : row.stored);
    }
}
