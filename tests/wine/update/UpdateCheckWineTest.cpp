// The start-up update check end to end under Wine: Winsock against Debian's nginx on
// 127.0.0.1:80, the real message boxes, and the browser started on the download page.
#include <gtest/gtest.h>
#include <windows.h>

#include "AppInfo.h"
#include "UpdateCheck.h"
#include "WineSupport.h"

namespace {

const wchar_t kNewerText[] = L"有最新版本，请下载更新。";
const wchar_t kFailedText[] = L"无法检测更新，请检查网络后再试。";

// The shared system icons that MB_ICONINFORMATION (32516) and MB_ICONWARNING (32515) show.
HICON SystemIcon(int id) {
    return LoadIconW(nullptr, MAKEINTRESOURCEW(id));
}

class UpdateCheckTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        UnscrambleAppInfo();
        ASSERT_STREQ(g_AppInfo.szUpdateHost, "localhost");
    }
    static void TearDownTestSuite() { UnscrambleAppInfo(); }
    void SetUp() override {
        ASSERT_TRUE(SetBrowserCommand(L"\"" + ProbePath() + L"\" \"%1\""));
        ArmProbe();
    }
    void TearDown() override {
        StopUpdateServer();
        RestoreBrowserCommand(m_Saved);
    }
    std::optional<std::wstring> m_Saved = ReadBrowserCommand();

    // Runs the check with the boxes answered; returns its result. elapsedMs: until the first
    // box appeared, or until the check returned when none did.
    int Check(std::vector<CBoxSeen>& boxes, DWORD& elapsedMs) {
        CBoxWatcher watcher;
        DWORD start = GetTickCount();
        int result = CheckForUpdate();
        DWORD end = GetTickCount();
        boxes = watcher.Stop();
        elapsedMs = (boxes.empty() ? end : boxes[0].tick) - start;
        std::printf("    check returned %d after %lu ms; first box after %lu ms\n", result, end - start,
                    elapsedMs);
        return result;
    }
};

TEST_F(UpdateCheckTest, SameVersionStartsSilently) {
    ASSERT_TRUE(StartUpdateServer("2")) << "nginx did not start on 127.0.0.1:80 (port taken?)";
    std::vector<CBoxSeen> boxes;
    DWORD elapsedMs;
    EXPECT_EQ(Check(boxes, elapsedMs), 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(ProbeCommandLine(0).empty());
}

TEST_F(UpdateCheckTest, NewerVersionInformsThenOpensDownloadPage) {
    ASSERT_TRUE(StartUpdateServer("3")) << "nginx did not start on 127.0.0.1:80 (port taken?)";
    std::vector<CBoxSeen> boxes;
    DWORD elapsedMs;
    EXPECT_EQ(Check(boxes, elapsedMs), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kNewerText);
    EXPECT_EQ(boxes[0].icon, SystemIcon(32516));
    EXPECT_EQ(ProbeCommandLine(10000), L"\"" + ProbePath() + L"\" http://localhost/get.html");
}

TEST_F(UpdateCheckTest, FileWithoutVersionColumnWarns) {
    ASSERT_TRUE(StartUpdateServer("none")) << "nginx did not start on 127.0.0.1:80 (port taken?)";
    std::vector<CBoxSeen> boxes;
    DWORD elapsedMs;
    EXPECT_EQ(Check(boxes, elapsedMs), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kFailedText);
    EXPECT_EQ(boxes[0].icon, SystemIcon(32515));
    EXPECT_TRUE(ProbeCommandLine(1000).empty());
}

// With the name resolved but nothing listening, Winsock never reports the connection as made:
// the warning comes when the 5-second wait is over.
TEST_F(UpdateCheckTest, NoServerWarnsAfterTheWait) {
    ASSERT_FALSE(Port80Taken()) << "another server listens on 127.0.0.1:80";
    std::vector<CBoxSeen> boxes;
    DWORD elapsedMs;
    EXPECT_EQ(Check(boxes, elapsedMs), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kFailedText);
    EXPECT_EQ(boxes[0].icon, SystemIcon(32515));
    EXPECT_GT(elapsedMs, 4500u);
    EXPECT_LT(elapsedMs, 7000u);
}

} // namespace
