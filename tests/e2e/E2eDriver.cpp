// End-to-end driver: starts the real Kavel.exe in the Wine desktop it shares with it (hot keys and
// the one-copy rule hold per desktop) and walks each user flow once. Folders are given on Z:.
//   e2e_driver [GoogleTest flags] <folder of Kavel.exe> <empty folder for results> [demo seconds]
// A copy planted for the browser or control.exe only notes its command line in planted.log. Planted copies
// stay: the Wine prefix and the release folder are the run's own.
#include "WineUnix.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>

std::wstring g_out;

std::filesystem::path Out(const wchar_t* name) {
    return std::filesystem::path(g_out) / name;
}

bool WaitUntil(const std::function<bool()>& ready, DWORD timeoutMs = 15000) {
    for (DWORD waited = 0; !ready(); waited += 20, Sleep(20))
        if (waited > timeoutMs)
            return false;
    return true;
}

void Send(HWND wnd, UINT message, WPARAM wParam = 0, const void* lParam = nullptr) {
    SendMessageTimeoutW(wnd, message, wParam, reinterpret_cast<LPARAM>(lParam), SMTO_NORMAL, 30000, nullptr);
}

std::wstring Text(HWND wnd) {
    wchar_t text[256] = L"";
    Send(wnd, WM_GETTEXT, 256, text);
    return text;
}

// Whether another program holds Ctrl+Alt+key: this one cannot register it then.
bool Taken(UINT key) {
    return !RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, key) || !UnregisterHotKey(nullptr, 1);
}

// A click of the left mouse button at a point of the screen, each event with its place.
void ClickAt(POINT p) {
    const LONG x = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    const LONG y = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    for (DWORD button : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP})
        mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | button, x, y, 0, 0);
}

// Ctrl+Alt+key as keyboard input.
void Press(BYTE key) {
    const BYTE keys[] = {VK_CONTROL, VK_MENU, key, key, VK_MENU, VK_CONTROL};
    for (int i = 0; i < 6; ++i)
        keybd_event(keys[i], 0, i < 3 ? 0 : KEYEVENTF_KEYUP, 0);
}

// The command line a planted copy was started with, once one has been; the note is then removed.
std::string Logged() {
    std::string line;
    WaitUntil([&] { return !!std::getline(std::ifstream("planted.log"), line); });
    DeleteFileW(L"planted.log");
    return line;
}

// Kavel.exe started in its folder, the current one; ended with the object, however the case ends.
struct Kavel {
    const intptr_t spawned = _wspawnl(_P_NOWAIT, L"Kavel.exe", L"Kavel.exe", nullptr);
    const HANDLE process = spawned > 0 ? reinterpret_cast<HANDLE>(spawned) : nullptr;
    HWND wnd = nullptr;
    unsigned bytes = 0;
    ~Kavel() {
        TerminateProcess(process, 1); // refused for no process
        CloseHandle(process);
    }
    bool Window() {
        return WaitUntil([&] { return IsWindowVisible(wnd = FindWindowW(L"Kavel_TORVEN", nullptr)); });
    }
    bool Ended() const {
        DWORD code = 1;
        return !WaitForSingleObject(process, 15000) && GetExitCodeProcess(process, &code) && code == 0;
    }
    HWND Item(int id) const { return GetDlgItem(wnd, id); }
    bool Shown(int id) const { return IsWindowVisible(Item(id)); }
    void Click(int id) const { Send(Item(id), BM_CLICK); }
    void SetText(int id, const std::wstring& text) const { Send(Item(id), WM_SETTEXT, 0, text.c_str()); }
    // Until the status shows more than `least` bytes written.
    bool Counted(unsigned least) {
        return WaitUntil([&] {
            return swscanf(Text(Item(24)).c_str(), L"%*u(MB) / %u(B)", &bytes) == 1 && bytes > least;
        });
    }
    // Answers the "提示" box the program shows and returns its text; empty when none came. Until the
    // box has gone the main window takes no input.
    std::wstring Box() const {
        HWND box = nullptr;
        WaitUntil([&] { return IsWindowVisible(box = FindWindowW(L"#32770", L"提示")); });
        const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return !IsWindow(box); });
        return text;
    }
};

TEST(Flows, OneCopyArmingHotKeysRecordingsAndDeviceLoss) {
    std::ofstream(Out(L"talk_1.mp3")) << "an earlier series"; // follow-on names go past it
    Kavel k;
    ASSERT_TRUE(k.Window()) << "no window with the current version served";

    // A second copy brings the first to the front and ends.
    SetForegroundWindow(GetDesktopWindow());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() != k.wnd; }, 3000));
    EXPECT_TRUE(Kavel().Ended());
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == k.wnd; }, 3000));

    // The sound settings start from the system folder, not from a control.exe in the program's.
    CopyFileW(_wpgmptr, L"C:\\windows\\system32\\control.exe", FALSE); // run as native (tests/e2e/run)
    CopyFileW(_wpgmptr, L"control.exe", FALSE);
    k.Click(19);
    EXPECT_EQ(Logged(), "\"C:\\windows\\system32\\control.exe\" mmsys.cpl");

    // Arming is refused, saying why, while another program holds a hot key.
    ASSERT_TRUE(RegisterHotKey(nullptr, 2, MOD_CONTROL | MOD_ALT, VK_F8));
    PostMessageW(k.Item(18), BM_CLICK, 0, 0);
    EXPECT_NE(k.Box().find(L"Ctrl+Alt+F8"), std::wstring::npos);
    UnregisterHotKey(nullptr, 2);
    EXPECT_FALSE(Taken(VK_F9)) << "Ctrl+Alt+F9 let go again";

    // A double-click arms once: neither its second half nor a click on the start button that
    // appeared under the pointer starts a recording.
    k.SetText(9, Out(L"talk.mp3").wstring());
    Send(k.wnd, WM_COMMAND, MAKEWPARAM(18, BN_DOUBLECLICKED), k.Item(18));
    EXPECT_TRUE(k.Shown(18));
    POINT p = {270, 364};
    ClientToScreen(k.wnd, &p);
    ClickAt(p);
    for (int i = 0; i < 3 && !WaitUntil([&] { return k.Shown(22); }, 1000); ++i)
        ClickAt(p); // Wine drops a click now and then
    ASSERT_TRUE(k.Shown(22));
    ClickAt(p);
    EXPECT_FALSE(WaitUntil([&] { return k.Shown(23); }, 700));
    RunUnix(g_out, "xdotool mousemove 0 0"); // later buttons appear elsewhere

    // Armed: the hot keys are held and the window cannot be closed.
    EXPECT_TRUE(Taken(VK_F9) && Taken(VK_F8));
    Send(k.wnd, WM_CLOSE);
    EXPECT_TRUE(IsWindow(k.wnd));

    // Real key presses start and stop; a second start changes nothing. The status counts once a
    // second what the file took, and the file decodes back to the tone with its tag.
    Press(VK_F9);
    ASSERT_TRUE(k.Counted(0));
    Press(VK_F9);
    EXPECT_TRUE(k.Counted(25000));
    Press(VK_F8);
    ASSERT_TRUE(WaitUntil([&] { return k.Shown(22); }));
    Send(k.wnd, WM_NULL); // the stop button goes before the file is finished
    EXPECT_GE(std::filesystem::file_size(Out(L"talk.mp3")), k.bytes + 128);
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "tone 1.5 talk.mp3"), 0);

    // The next start takes the next free name. A session end finishes the file before Windows
    // may end the program.
    k.Click(22);
    ASSERT_TRUE(k.Counted(5000));
    Send(k.wnd, WM_ENDSESSION, TRUE, reinterpret_cast<const void*>(ENDSESSION_LOGOFF));
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "plays 0.3 talk_2.mp3"), 0);

    // An input device that goes away ends the recording with a warning and a finished file.
    k.Click(22);
    ASSERT_TRUE(k.Counted(5000));
    ASSERT_EQ(RunUnix(g_out, "pactl unload-module $(pactl list short modules | grep kv_sink | cut -f1)"), 0);
    EXPECT_NE(k.Box().find(L"输入设备"), std::wstring::npos);
    EXPECT_TRUE(k.Shown(22));
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "plays 0.3 talk_3.mp3"), 0);

    // Back in the set-up view the hot keys are free for others, the earlier file is untouched, and
    // the window closes.
    k.Click(21);
    EXPECT_TRUE(k.Shown(18) && Text(k.Item(9)).empty());
    EXPECT_FALSE(Taken(VK_F9) || Taken(VK_F8));
    EXPECT_EQ(std::filesystem::file_size(Out(L"talk_1.mp3")), 17u);
    Send(k.wnd, WM_CLOSE);
    EXPECT_TRUE(k.Ended());
}

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

// The series that ends at the time limit runs beside these cases in a desktop of its own: its verdict,
// the number of passed cases that tests/e2e/run notes once it ended.
TEST(Beside, SeriesPassed) {
    EXPECT_EQ(
        RunUnix(g_out, "until [ -s series.passed ]; do sleep 0.2; done; grep -qx 1 series.passed", 90000), 0);
}

// Runs in a desktop and with a sound server of its own, beside the other cases (tests/e2e/run).
TEST(Series, SplitsAtTheSizeLimitAndEndsAtTheTimeLimit) {
    Kavel k;
    ASSERT_TRUE(k.Window());
    // 96 kHz at three times the rate, the fastest encoding: 256 kbit/s, 1 MB after about 33 s.
    for (int list : {13, 12, 14})
        Send(k.Item(list), CB_SETCURSEL, list == 13 ? 4 : 2);
    k.SetText(15, L"1");
    k.SetText(16, L"1");
    k.SetText(9, Out(L"series.mp3").wstring());
    k.Click(18);
    k.Click(22);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(WaitUntil([&] { return k.Shown(22); }, 70000));
    EXPECT_NEAR(GetTickCount() - start, 61000.0, 3000.0);
    EXPECT_GE(std::filesystem::file_size(Out(L"series.mp3")), (1u << 20) + 128);
    // Closed at the tick that saw 1 MB.
    EXPECT_LT(std::filesystem::file_size(Out(L"series.mp3")), (1u << 20) + 128 + 70000);
    EXPECT_EQ(RunUnix(g_out, kCheckAudio + "plays 20 series.mp3 series_1.mp3"), 0);
    // The limit belongs to the series: a new start runs into it at the next tick.
    k.Click(22);
    EXPECT_TRUE(k.Shown(23) && WaitUntil([&] { return k.Shown(22); }, 2500));
}

// scripts/run's demo: seconds of whatever plays into the sound card, through the window's buttons,
// with screenshots of the set-up view and of the window (640 x 480, centred) while it records.
int Demo(int seconds) {
    const std::string shot = "; import -window root -crop 640x480+192+144 ";
    Kavel k;
    const bool shown = k.Window() && RunUnix(g_out, "sleep 0.5" + shot + "setup.png") == 0;
    k.SetText(9, Out(L"demo.mp3").wstring());
    k.Click(18);
    k.Click(22);
    const bool recorded = RunUnix(g_out, "sleep " + std::to_string(seconds + 1) + shot + "demo.png") == 0;
    k.Click(23);
    return shown && recorded ? 0 : 1;
}

int wmain(int argc, wchar_t** argv) {
    if (!std::wstring(_wpgmptr).ends_with(L"\\e2e_driver.exe")) // a planted copy, started in Kavel's folder
        return !(std::wofstream("planted.log", std::ios::app) << GetCommandLineW() << L'\n');
    testing::InitGoogleTest(&argc, argv);
    if (argc < 3 || !SetCurrentDirectoryW(argv[1]))
        return 2;
    g_out = argv[2];
    return argc > 3 ? Demo(_wtoi(argv[3])) : RUN_ALL_TESTS();
}
