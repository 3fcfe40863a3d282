// What the update check at start-up leads to, one copy only, and the window as it first shows.
#include "E2eSupport.h"
#include "SkinFile.h"

#include <iterator>

// The newer version is offered: the notice comes, the download page opens in the browser registered
// for http addresses, and the program ends cleanly. The browser lies under C:\Program Files\ beside a
// planted C:\Program.exe that its unquoted path must not start.
TEST(StartUp, NewerVersionOpensTheDownloadPageAndEnds) {
    ASSERT_TRUE(Serve("3"));
    CreateDirectoryW(L"C:\\Program Files\\Kv Web", nullptr);
    for (const wchar_t* path : {L"C:\\Program Files\\Kv Web\\b.exe", L"C:\\Program.exe"})
        CopyFileW(_wpgmptr, path, FALSE);
    const std::pair<std::wstring, std::string> rows[] = {
        {L"C:\\Program Files\\Kv Web\\b.exe %1",
         "\"C:\\Program Files\\Kv Web\\b.exe\" " KAVEL_E2E_DOWNLOAD_URL},
        // Without ".exe" the path ends at the first blank, C:\Program, which names no program.
        {L"C:\\Program Files\\Kv Web\\b %1", ""},
        {L"", ""}}; // no browser registered
    for (const auto& [command, started] : rows) {
        if (command.empty())
            RegDeleteKeyW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command");
        else
            RegSetValueW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", REG_SZ, command.c_str(), 0);
        Kavel k;
        k.Box('i', L"新版本");
        EXPECT_TRUE(k.Ended()) << "exit code 0, no crash";
        if (started.empty()) {
            EXPECT_FALSE(WaitUntil([] { return Size("planted.log") >= 0; }, 2000)) << "nothing started";
        } else {
            EXPECT_EQ(Logged(), started);
        }
    }
}

TEST(StartUp, NoServerWarnsAndEnds) {
    ASSERT_TRUE(Serve("off"));
    Kavel k;
    k.Box('!', L"无法检测更新");
    EXPECT_TRUE(k.Ended());
}

// A second copy brings the first to the front and ends. The window shows its title, and the skin
// drawn by GDI: a row through the word mark and the wave, above every control, has the pixels of
// the skin image in Kavel.eb (640 x 480, 24 bits, bottom-up).
TEST(StartUp, OneCopyWithItsTitleAndSkin) {
    Kavel k;
    ASSERT_TRUE(k.Window()) << "no window with the current version served";
    SetForegroundWindow(GetDesktopWindow());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() != k.wnd; }, 3000));
    EXPECT_TRUE(Kavel().Ended());
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == k.wnd; }, 3000));
    EXPECT_EQ(Text(k.wnd), L"Kavel 录音机");
    std::ifstream file("Kavel.eb", std::ios::binary);
    std::vector<uint8_t> skin{std::istreambuf_iterator<char>(file), {}};
    ScrambleSkin(skin.data(), skin.size(), kSkinKey, sizeof kSkinKey);
    uint32_t bits = 0;
    ASSERT_TRUE(CheckSkinBitmap(skin.data(), skin.size(), &bits));
    const auto differing = [&] {
        HDC screen = GetDC(nullptr);
        int count = 0;
        for (POINT p = {0, 50}, at; p.x < 600; p.x += 5) {
            const uint8_t* bgr = &skin[bits + (479 - p.y) * 1920 + 3 * p.x];
            ClientToScreen(k.wnd, &(at = p));
            count += GetPixel(screen, at.x, at.y) != RGB(bgr[2], bgr[1], bgr[0]);
        }
        ReleaseDC(nullptr, screen);
        return count;
    };
    EXPECT_TRUE(WaitUntil([&] { return differing() == 0; }, 5000)) << differing() << " of 120 pixels differ";
}
