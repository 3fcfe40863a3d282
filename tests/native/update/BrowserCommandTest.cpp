// The browser's command line: its source, its program path, always quoted and absolute, and the
// address as the only argument.
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
        {L"\\\\srv\\B\\b.exe", 99, L"\"\\\\srv\\B\\b.exe\" http://h/"},
        {L"C:\\B\\b -x %1", 99, L"\"C:\\B\\b\" http://h/"},
        {L"C:b.exe %1", 99, nullptr},
        {L"\\B\\b.exe %1", 99, nullptr},
        {L"C:\\b.exe %1", 21, L"\"C:\\b.exe\" http://h/"},
        {L"C:\\b.exe %1", 20, nullptr}};
    for (const auto& [stored, capacity, line] : rows) {
        std::wstring command = stored + std::wstring(99, L'\0'); // room for any capacity in the table
        EXPECT_EQ(BuildBrowserCommand(command.data(), capacity, L"http://h/"), line ? 1 : 0) << stored;
        EXPECT_EQ(command.c_str(), std::wstring(line ? line : stored)) << stored;
    }
}

// Stands in for ExpandEnvironmentStringsW on text that starts with %P%.
static int Expand(const wchar_t* text, wchar_t* out, int capacity) {
    return swprintf(out, capacity, L"C:\\P%ls", text + 3) > 0;
}

TEST(BrowserCommandTest, TakesTheAssociationFirstThenTheRegistry) {
    const wchar_t *user = L"C:\\U\\u.exe %1", *machine = L"%P%\\m.exe %1";
    // The association, the stored value and its type, and the line (empty: nothing to start).
    const std::tuple<const wchar_t*, const wchar_t*, uint32_t, const wchar_t*> rows[] = {
        {user, machine, kRegExpandSz, L"\"C:\\U\\u.exe\" http://h/"},
        {nullptr, machine, kRegExpandSz, L"\"C:\\P\\m.exe\" http://h/"},
        {machine, machine, kRegSz, L""}, // unexpanded: not absolute
        {L"", user, kRegSz, L"\"C:\\U\\u.exe\" http://h/"},
        {nullptr, user, 3, L""}}; // REG_BINARY
    for (const auto& [association, stored, type, expected] : rows) {
        wchar_t line[64] = L"";
        const int made = ChooseBrowserCommand({association, stored, type}, Expand, L"http://h/", line, 64);
        EXPECT_EQ(made ? line : L"", std::wstring(expected))
            << (association ? association : L"-") << " " << type;
    }
}
