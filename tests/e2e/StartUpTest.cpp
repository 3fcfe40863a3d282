// What the update check at start-up leads to.
#include "E2eSupport.h"

static const std::string kStopServer =
    "bash -c '. " KAVEL_SOURCE_DIR "/scripts/update-server.sh && kv_update_server_stop'";

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
    // Without ".exe" the path ends at the first blank, C:\Program, which names no program: the planted
    // C:\Program.exe is not started in its place.
    const wchar_t bare[] = L"C:\\Program Files\\Kv Web\\b %1";
    RegSetValueW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", REG_SZ, bare, sizeof bare);
    Kavel again;
    EXPECT_NE(again.Box().find(L"新版本"), std::wstring::npos);
    EXPECT_TRUE(again.Ended());
    EXPECT_FALSE(WaitUntil([] { return std::filesystem::exists("planted.log"); }, 2000));
}

TEST(StartUp, NoServerWarnsAndEnds) {
    ASSERT_EQ(RunUnix(g_out, kStopServer), 0);
    Kavel k;
    EXPECT_NE(k.Box().find(L"无法检测更新"), std::wstring::npos);
    EXPECT_TRUE(k.Ended());
}

// Answers as real servers and proxies send them: the program starts (its own version is listed)
// or, for a version that is no whole number, warns and ends.
TEST(StartUp, ServersAsTheySendIt) {
    ASSERT_EQ(RunUnix(g_out, kStopServer), 0);
    const std::string ok = "HTTP/1.1 200 OK\r\n", body = "{version\n2\n}\n", end = "\r\n\r\n";
    const std::pair<std::string, bool> rows[] = {
        {ok + "content-length: 13" + end + body, true},
        {ok + "Content-Length: 13 " + end + body, true},
        {"HTTP/1.1 200 \r\nContent-Length: 13" + end + body, true},
        {ok + "Content-Length: 16" + end + "\xEF\xBB\xBF" + body, true},
        {ok + "Content-Length: 15" + end + "{version\nabc\n}\n", false}};
    for (const auto& [answer, starts] : rows) {
        SCOPED_TRACE(answer);
        std::ofstream(Out(L"answer"), std::ios::binary) << answer;
        ASSERT_EQ(RunUnix(g_out, "/usr/bin/python3 " KAVEL_SOURCE_DIR "/tests/e2e/answer.py answer"), 0);
        Kavel k;
        if (starts)
            EXPECT_TRUE(k.Window());
        else
            EXPECT_TRUE(k.Box().find(L"无法检测更新") != std::wstring::npos && k.Ended());
        TerminateProcess(k.process, 1); // gone before the next copy starts, which would end at once
        WaitForSingleObject(k.process, 5000);
    }
}
