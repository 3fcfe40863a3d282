// The update check at start: which case runs depends on what the launcher's update server serves
// (version 2, version 3, or no server at all), so each phase selects its own case.
#include "E2eFixture.h"

#include <cstdio>

namespace {

const wchar_t kBrowserKey[] = L"http\\shell\\open\\command";

// Points the http handler of the test prefix at the fake browser for as long as it lives.
class CBrowserKey {
  public:
    CBrowserKey() {
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, kBrowserKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                            &m_hKey, nullptr) != ERROR_SUCCESS)
            return;
        wchar_t old[4096];
        DWORD bytes = sizeof old;
        m_bHadOld = RegQueryValueExW(m_hKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(old),
                                     &bytes) == ERROR_SUCCESS;
        if (m_bHadOld)
            m_Old.assign(old, bytes / sizeof(wchar_t));
        const std::wstring command = L"\"" + BrowserPath() + L"\" --new-window \"%1\"";
        m_bSet = Store(command.c_str(), (command.size() + 1) * sizeof(wchar_t));
    }
    ~CBrowserKey() {
        if (!m_hKey)
            return;
        if (m_bHadOld)
            Store(m_Old.data(), m_Old.size() * sizeof(wchar_t));
        else
            RegDeleteValueW(m_hKey, nullptr);
        RegCloseKey(m_hKey);
    }
    bool Set() const { return m_bSet; }
    static std::wstring BrowserPath() { return g_config.toolDir + L"\\e2e_browser.exe"; }

  private:
    bool Store(const wchar_t* text, size_t bytes) {
        return RegSetValueExW(m_hKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
    }
    HKEY m_hKey = nullptr;
    bool m_bHadOld = false;
    bool m_bSet = false;
    std::wstring m_Old;
};

// Starts Kavel.exe while the fake browser stands ready, checks the message box it shows, closes it,
// and checks the exit code. Returns what the fake browser recorded ("" when it was not started).
// browserMs: how long the browser may take to show up after the box was answered.
std::string StartExpectingBox(const wchar_t* expectedText, DWORD browserMs) {
    const std::wstring log = OutPath(L"browser.log");
    DeleteFileW(log.c_str());
    SetEnvironmentVariableW(L"KAVEL_E2E_BROWSER_LOG", log.c_str());
    CBrowserKey key;
    EXPECT_TRUE(key.Set());

    EndStrayKavels();
    CKavel kavel;
    const DWORD t0 = GetTickCount();
    EXPECT_TRUE(kavel.Start(g_config.kavelDir));
    HWND box = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] {
            box = FindTopWindow(kavel.Pid(), L"#32770", L"提示");
            return box && IsWindowVisible(box);
        },
        20000))
        << "no message box captioned 提示";
    if (!box)
        return "";
    std::printf("  message box after %lu ms\n", GetTickCount() - t0);
    const BoxParts parts = ReadBox(box);
    EXPECT_EQ(Utf8(parts.text), Utf8(expectedText));
    EXPECT_EQ(parts.icons, 1);
    EXPECT_EQ(parts.buttons, 1) << "OK only";
    // The check runs before the window exists, and the browser comes only after the box.
    EXPECT_EQ(FindTopWindow(kavel.Pid(), L"Kavel_TORVEN"), nullptr);
    PumpFor(300);
    EXPECT_FALSE(FileExists(log)) << "the browser came before the message was closed";

    PostMessageW(box, WM_COMMAND, IDOK, 0);
    DWORD code = 1;
    EXPECT_TRUE(kavel.WaitForExit(10000, &code)) << "the program did not end";
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(FindTopWindow(kavel.Pid(), L"Kavel_TORVEN"), nullptr);
    WaitUntil([&] { return FileExists(log); }, browserMs);
    SetEnvironmentVariableW(L"KAVEL_E2E_BROWSER_LOG", nullptr);
    const std::vector<uint8_t> bytes = ReadAll(log);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(StartUp, CurrentVersionShowsWindow) {
    EndStrayKavels();
    CKavel kavel;
    ASSERT_TRUE(kavel.Start(g_config.kavelDir));
    ASSERT_NE(kavel.WaitForWindow(), nullptr);
    PumpFor(300);
    EXPECT_EQ(FindTopWindow(kavel.Pid(), L"#32770"), nullptr) << "a message box came with the window";
    PostMessageW(kavel.Window(), WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(kavel.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
}

TEST(StartUp, NewerVersionOpensDownloadPageAndEnds) {
    // A new Wine process can take seconds to start on a cold machine.
    const std::string launched = StartExpectingBox(L"有最新版本，请下载更新。", 15000);
    // The stored arguments and placeholder go; the address follows the quoted path after one blank.
    std::string expected = "\"";
    expected += Utf8(CBrowserKey::BrowserPath());
    expected += "\" ";
    expected += Utf8(g_config.downloadUrl);
    EXPECT_EQ(launched, expected);
}

TEST(StartUp, NoServerShowsWarningAndEnds) {
    const std::string launched = StartExpectingBox(L"无法检测更新，请检查网络后再试。", 3000);
    EXPECT_EQ(launched, "") << "no browser without a newer version";
}
