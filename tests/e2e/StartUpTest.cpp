// What the update check at start-up leads to. (One copy and the window as it first shows: the Wine
// test.)
#include "E2eSupport.h"

// The update check's answers: a newer version is offered, the download page opens in the browser
// registered for http addresses, and the program ends cleanly; no server, a warning and the end. The
// browser lies under C:\Program Files\ beside a planted C:\Program.exe that its unquoted path must not
// start.
TEST(StartUp, TheUpdateCheckTellsAndEndsOpeningTheDownloadPageForANewerVersion) {
    CreateDirectoryW(L"C:\\Program Files\\Kv Web", nullptr);
    for (const wchar_t* path : {L"C:\\Program Files\\Kv Web\\b.exe", L"C:\\Program.exe"})
        CopyFileW(_wpgmptr, path, FALSE);
    // The rows that start nothing come last: one full wait after them finds whatever they started.
    const struct {
        const char* served;
        std::wstring command, box; // no command: no browser registered
        std::string started;
    } rows[] = {{"3", L"C:\\Program Files\\Kv Web\\b.exe %1", L"新版本",
                 "\"C:\\Program Files\\Kv Web\\b.exe\" " KAVEL_E2E_DOWNLOAD_URL},
                {"off", L"", L"无法检测更新", ""},
                // Without ".exe" the path ends at the first blank, C:\Program, which names no program.
                {"3", L"C:\\Program Files\\Kv Web\\b %1", L"新版本", ""},
                {"3", L"", L"新版本", ""}};
    for (const auto& row : rows) {
        ASSERT_TRUE(Scripted(std::string("kv_update_server_serve ") + row.served));
        RegDeleteKeyW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command");
        if (!row.command.empty())
            RegSetValueW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", REG_SZ, row.command.c_str(), 0);
        Kavel k;
        k.Box(row.box, *row.served == 'o' ? '!' : 'i'); // a warning, or the news
        EXPECT_TRUE(k.Ended()) << "exit code 0, no crash";
        EXPECT_EQ(row.started.empty() ? row.started : Logged(), row.started);
    }
    EXPECT_FALSE(WaitUntil([] { return Size("planted.log") >= 0; })) << "started: " << Logged();
}
