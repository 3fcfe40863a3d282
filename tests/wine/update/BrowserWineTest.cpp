// The browser launch under Wine: the command registered for http addresses, rewritten to open
// the address, started as a process (the probe records its command line).
#include <gtest/gtest.h>
#include <windows.h>

#include "Browser.h"
#include "WineSupport.h"

namespace {

const wchar_t kUrl[] = L"http://localhost/help.html";

class BrowserTest : public testing::Test {
  protected:
    void SetUp() override { ArmProbe(); }
    void TearDown() override { RestoreBrowserCommand(m_Saved); }
    std::optional<std::wstring> m_Saved = ReadBrowserCommand();
};

TEST_F(BrowserTest, ReplacesTheStoredArguments) {
    const std::wstring probe = ProbePath();
    const struct {
        std::wstring stored;
        std::wstring line;
    } cases[] = {
        {L"\"" + probe + L"\" -osint -url \"%1\"", L"\"" + probe + L"\" " + kUrl},
        {probe + L" -url %1", L"\"" + probe + L"\" " + kUrl},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.stored));
        ArmProbe();
        ASSERT_TRUE(SetBrowserCommand(c.stored));
        OpenUrlInBrowser(kUrl);
        EXPECT_EQ(ProbeCommandLine(10000), c.line);
    }
}

// The stored command may take 4,096 bytes with its terminator, and not one character more.
TEST_F(BrowserTest, StoredCommandUpToItsSizeLimit) {
    std::wstring quoted = L"\"" + ProbePath() + L"\" ";
    std::wstring longest = quoted + std::wstring(2047 - quoted.size(), L'x');
    ASSERT_TRUE(SetBrowserCommand(longest));
    OpenUrlInBrowser(kUrl);
    EXPECT_EQ(ProbeCommandLine(10000), quoted + kUrl);

    ArmProbe();
    ASSERT_TRUE(SetBrowserCommand(longest + L"x"));
    OpenUrlInBrowser(kUrl);
    EXPECT_TRUE(ProbeCommandLine(3000).empty());
}

// An unquoted path with a blank must not start C:\Program.exe, which CreateProcessW would try
// first for C:\Program Files\... Both planted programs are the probe: its command line tells.
class PlantedProgramTest : public BrowserTest {
  protected:
    void TearDown() override {
        // The probe may not have ended yet, and a running program cannot be deleted.
        for (int i = 0; i < 50 && (DeleteFileW(kPlanted) + DeleteFileW(kBrowser) < 2); ++i)
            Sleep(100);
        RemoveDirectoryW(kBrowserDir);
        BrowserTest::TearDown();
    }
    static constexpr const wchar_t* kPlanted = L"C:\\Program.exe";
    static constexpr const wchar_t* kBrowserDir = L"C:\\Program Files\\Kv Web";
    static constexpr const wchar_t* kBrowser = L"C:\\Program Files\\Kv Web\\b.exe";
};

TEST_F(PlantedProgramTest, UnquotedPathWithABlankStartsTheBrowser) {
    ASSERT_TRUE(CopyFileW(ProbePath().c_str(), kPlanted, FALSE));
    CreateDirectoryW(kBrowserDir, nullptr);
    ASSERT_TRUE(CopyFileW(ProbePath().c_str(), kBrowser, FALSE));
    ASSERT_TRUE(SetBrowserCommand(std::wstring(kBrowser) + L" %1"));
    OpenUrlInBrowser(kUrl);
    EXPECT_EQ(ProbeCommandLine(10000), L"\"" + std::wstring(kBrowser) + L"\" " + kUrl);
}

TEST_F(BrowserTest, NoRegisteredBrowserDoesNothing) {
    DeleteBrowserCommand();
    OpenUrlInBrowser(kUrl);
    EXPECT_TRUE(ProbeCommandLine(3000).empty());
}

} // namespace
