// What the update check at start-up leads to, one copy only, and the window as it first shows.
#include "E2eSupport.h"
#include "SkinFile.h"

#include <iterator>

// The update check's answers: a newer version is offered, the download page opens in the browser
// registered for http addresses, and the program ends cleanly; no server, a warning and the end. The
// browser lies under C:\Program Files\ beside a planted C:\Program.exe that its unquoted path must not
// start.
TEST(StartUp, TheUpdateCheckTellsAndEndsOpeningTheDownloadPageForANewerVersion) {
    CreateDirectoryW(L"C:\\Program Files\\Kv Web", nullptr);
    for (const wchar_t* path : {L"C:\\Program Files\\Kv Web\\b.exe", L"C:\\Program.exe"})
        CopyFileW(_wpgmptr, path, FALSE);
    const struct {
        const char* served;
        std::wstring command, box; // no command: no browser registered
        std::string started;
    } rows[] = {{"3", L"C:\\Program Files\\Kv Web\\b.exe %1", L"新版本",
                 "\"C:\\Program Files\\Kv Web\\b.exe\" " KAVEL_E2E_DOWNLOAD_URL},
                // Without ".exe" the path ends at the first blank, C:\Program, which names no program.
                {"3", L"C:\\Program Files\\Kv Web\\b %1", L"新版本", ""},
                {"3", L"", L"新版本", ""},
                {"off", L"", L"无法检测更新", ""}};
    for (const auto& row : rows) {
        ASSERT_TRUE(Serve(row.served));
        if (row.command.empty())
            RegDeleteKeyW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command");
        else
            RegSetValueW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", REG_SZ, row.command.c_str(), 0);
        Kavel k;
        k.Box(row.box, *row.served == 'o' ? '!' : 'i'); // a warning, or the news
        EXPECT_TRUE(k.Ended()) << "exit code 0, no crash";
        if (row.started.empty()) {
            EXPECT_FALSE(WaitUntil([] { return Size("planted.log") >= 0; }, 2000)) << "nothing started";
        } else {
            EXPECT_EQ(Logged(), row.started);
        }
    }
}

// A second copy brings the first to the front and ends. The window shows its title, and the skin
// drawn by GDI: a row through the word mark and the wave, above every control, has the pixels of
// the skin image in Kavel.eb (640 x 480, 24 bits, bottom-up).
TEST(StartUp, OneCopyWithItsTitleAndSkin) {
    Kavel k;
    ASSERT_TRUE(k.Window()) << "no window with the current version served";
    // The new window may take the front a moment after it shows: once it has, the desktop takes it back.
    WaitUntil([&] { return GetForegroundWindow() == k.wnd; }, 3000);
    ASSERT_TRUE(WaitUntil(
        [&] { return SetForegroundWindow(GetDesktopWindow()) && GetForegroundWindow() != k.wnd; }, 3000));
    EXPECT_TRUE(Kavel().Ended());
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == k.wnd; }, 3000));
    EXPECT_EQ(Text(k.wnd), L"Kavel 录音机");
    std::ifstream file("Kavel.eb", std::ios::binary);
    std::vector<uint8_t> skin{std::istreambuf_iterator<char>(file), {}};
    ScrambleSkin(skin.data(), skin.size(), kSkinKey, sizeof kSkinKey);
    uint32_t bits = 0;
    ASSERT_TRUE(CheckSkinBitmap(skin.data(), skin.size(), &bits));
    HDC screen = GetDC(nullptr);
    EXPECT_TRUE(WaitUntil([&] {
        for (POINT p = {0, 50}, at; p.x < 600 && ClientToScreen(k.wnd, &(at = p)); p.x += 5)
            if (const uint8_t* bgr = &skin[bits + (479 - p.y) * 1920 + 3 * p.x];
                GetPixel(screen, at.x, at.y) != RGB(bgr[2], bgr[1], bgr[0]))
                return false;
        return true;
    })) << "the skin's pixels";
    ReleaseDC(nullptr, screen);
}
