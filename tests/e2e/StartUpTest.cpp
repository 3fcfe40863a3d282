// What the update check at start-up leads to.
#include "E2eSupport.h"

// The newer version is offered: the download page opens in the browser registered for http
// addresses, which lies under C:\Program Files\ beside a planted C:\Program.exe that its unquoted
// path must not start; the program ends.
TEST(StartUp, NewerVersionOpensTheDownloadPageAndEnds) {
    ASSERT_EQ(RunUnix(g_out, "printf '{version\\n3\\n}\\n' >$KV_UPDATE_SERVER_DIR/www/download/Kavel.txt"),
              0);
    CreateDirectoryW(L"C:\\Program Files\\Kv Web", nullptr);
    for (const wchar_t* path : {L"C:\\Program Files\\Kv Web\\b.exe", L"C:\\Program.exe"})
        CopyFileW(_wpgmptr, path, FALSE);
    const wchar_t command[] = L"C:\\Program Files\\Kv Web\\b.exe %1";
    RegSetValueW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", REG_SZ, command, sizeof command);
    Kavel k;
    EXPECT_NE(k.Box().find(L"新版本"), std::wstring::npos);
    EXPECT_TRUE(k.Ended());
    EXPECT_EQ(Logged(), "\"C:\\Program Files\\Kv Web\\b.exe\" " KAVEL_E2E_DOWNLOAD_URL);
}

TEST(StartUp, NoServerWarnsAndEnds) {
    ASSERT_EQ(
        RunUnix(g_out, "bash -c '. " KAVEL_SOURCE_DIR "/scripts/update-server.sh && kv_update_server_stop'"),
        0);
    Kavel k;
    EXPECT_NE(k.Box().find(L"无法检测更新"), std::wstring::npos);
    EXPECT_TRUE(k.Ended());
}
