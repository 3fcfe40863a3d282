// The shell in a main window of this process, in a folder of the test's own as the current one: a
// test can put a device name into the list, make the split size small, and answer the boxes.
#include "ControlIds.h"
#include "JobCenter.h"
#include "MainWindow.h"
#include "ProcessState.h"
#include "Recording.h"
#include "Skin.h"
#include "WineUnix.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <dbt.h>

namespace {

std::wstring g_Box; // the last box answered
HWND g_hBoxOwner = nullptr;

// A box comes up inside the call or timer that found the fault; this timer, run by the box's own
// message loop, answers every box, so that none holds a test, and notes their texts since Boxed.
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD) {
    static HWND s_hLast = nullptr;
    wchar_t text[4096] = L"";
    HWND box = FindWindowW(L"#32770", L"提示");
    if (!box || box == s_hLast || !GetDlgItemTextW(box, 0xFFFF, text, 4096))
        return;
    g_hBoxOwner = g_Box.empty() ? GetWindow(box, GW_OWNER) : g_hBoxOwner;
    g_Box += text, s_hLast = box;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}
const UINT_PTR g_nAnswerTimer = SetTimer(nullptr, 0, 50, AnswerBox);

// act(), then the window's messages for at most ms of real time, until a box has come or until()
// holds; the boxes' texts.
std::wstring Boxed(void (*act)(), DWORD ms = 0, bool (*until)() = nullptr) {
    g_Box.clear();
    act();
    MSG msg;
    for (const ULONGLONG end = GetTickCount64() + ms;
         g_Box.empty() && !(until && until()) && GetTickCount64() < end; Sleep(10))
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    return g_Box;
}

LRESULT Send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageW(g_hMainWnd, id, message, wParam, lParam);
}

// A control's text; a drop-down list's is its chosen entry.
std::wstring Field(int id) {
    wchar_t text[256] = L"";
    GetDlgItemTextW(g_hMainWnd, id, text, 256);
    return text;
}

// A name put into the device list and chosen, as if the device had been there.
void Choose(const wchar_t* name) {
    Send(IDC_COMBO_DEVICE, CB_SETCURSEL,
         Send(IDC_COMBO_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name)));
}

class Shell : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(m_Dir.c_str(), nullptr) && SetCurrentDirectoryW(m_Dir.c_str()));
        g_hInstance = GetModuleHandleW(nullptr);
        ASSERT_TRUE(g_hMainWnd = CreateMainWindow());
    }
    void TearDown() override {
        LeaveRecordingView();
        DestroyWindow(g_hMainWnd);
        UnregisterClassW(L"Kavel_TORVEN", g_hInstance); // its background brush went with the window
        MSG quit; // posted as the window went: the next test's boxes would end at once
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        StartUnix(m_Dir, "rm -r \"$PWD\"");
    }
    const std::wstring m_Dir = L"Z:\\tmp\\kavel-shell-" + std::to_wstring(GetTickCount64());
};

} // namespace

// The skin is found beside the program from another current folder and drawn. Arming refused for a hot key
// another program holds or no file says why. A chosen device that goes stays the choice, marked gone,
// a moment after the system says devices changed; arming and starting are refused naming it, and a
// refused arming keeps the file and the limits. A limit pasted past the digits-only style is refused
// naming the field; full-width digits count. A device added before the chosen one does not change
// which one a start opens; a double-click is no second command. "结束返回" while recording finishes
// the file; so does sleep, told after the wake, once; a device that goes away while recording is told.
TEST_F(Shell, TheChoiceFileAndLimitsAreKeptAndTheDeviceIsFoundByName) {
    bool (*recorded)() = [] { return g_pJob && g_pJob->GetWrittenBytes() > 5000; };
    // The skin as the window's background: a row through the word mark and the wave, above every
    // control, has the skin image's pixels (640 x 480, 24 bits, bottom-up).
    ASSERT_TRUE(g_hSkinBrush) << "no skin";
    HDC dc = GetDC(g_hMainWnd);
    for (int x = 0; x < 600; x += 5)
        if (const uint8_t* bgr = g_Skin.m_pBits + (479 - 50) * 1920 + 3 * x;
            GetPixel(dc, x, 50) != RGB(bgr[2], bgr[1], bgr[0]))
            ADD_FAILURE() << x;
    ReleaseDC(g_hMainWnd, dc);
    EXPECT_NE(Boxed(EnterRecordingView).find(L"请先点击“选择...”"), std::wstring::npos) << g_Box;
    SetDlgItemTextW(g_hMainWnd, IDC_EDIT_FILE, (m_Dir + L"\\d.mp3").c_str());
    RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, VK_F8);
    EXPECT_NE(Boxed(EnterRecordingView).find(L"Ctrl+Alt+F8 已被其他程序占用"), std::wstring::npos) << g_Box;
    UnregisterHotKey(nullptr, 1);
    EXPECT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, VK_F9) && UnregisterHotKey(nullptr, 1));
    const LRESULT devices = Send(IDC_COMBO_DEVICE, CB_GETCOUNT);
    Choose(L"Gone Mic");
    SendMessageW(g_hMainWnd, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    EXPECT_EQ(Field(IDC_COMBO_DEVICE), L"Gone Mic") << "read again only a moment later";
    Boxed([] {}, 1500);
    EXPECT_EQ(Field(IDC_COMBO_DEVICE), L"Gone Mic（已断开）");
    EXPECT_NE(Boxed(EnterRecordingView).find(L"“Gone Mic”已断开"), std::wstring::npos) << g_Box;
    Choose(L"Another Mic"); // read again when the list drops down
    Send(IDC_COMBO_DEVICE, CB_SHOWDROPDOWN, TRUE);
    Send(IDC_COMBO_DEVICE, CB_SHOWDROPDOWN, FALSE);
    EXPECT_EQ(Field(IDC_COMBO_DEVICE), L"Another Mic（已断开）");

    Send(IDC_COMBO_DEVICE, CB_SETCURSEL, devices - 1);
    SetDlgItemTextW(g_hMainWnd, IDC_EDIT_DURATION, L"1,000"); // pasted: ES_NUMBER lets paste through
    EXPECT_NE(Boxed(EnterRecordingView).find(L"“录制时长(分钟)”请填写 0 到 71582"), std::wstring::npos)
        << g_Box;
    EXPECT_EQ(Field(IDC_EDIT_DURATION), L"1,000");
    EXPECT_EQ(Field(IDC_EDIT_FILE), m_Dir + L"\\d.mp3");

    SetDlgItemTextW(g_hMainWnd, IDC_EDIT_DURATION, L" １２０ ");
    EXPECT_EQ(Boxed(EnterRecordingView), L"");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(g_hMainWnd, IDC_BTN_START)) && g_nDurationMs == 120 * 60000);
    Send(IDC_COMBO_DEVICE, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(L"Added Mic"));
    SendMessageW(g_hMainWnd, WM_COMMAND, MAKEWPARAM(IDC_BTN_START, BN_DOUBLECLICKED), 0);
    EXPECT_EQ(g_pJob, nullptr) << "a double-click's notification is no command";
    EXPECT_EQ(Boxed(StartCommand, 10000, recorded), L"");
    ASSERT_TRUE(recorded()) << "the device chosen by its name";
    SendMessageW(g_hMainWnd, WM_COMMAND, IDC_BTN_BACK, 0); // "结束返回": the file is finished
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(g_hMainWnd, IDC_BTN_READY)) && Field(IDC_EDIT_FILE).empty() &&
                RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, VK_F8) && UnregisterHotKey(nullptr, 1));
    EXPECT_EQ(RunUnix(m_Dir, kCheckAudio + "plays 0.3 d.mp3"), 0);

    // Stereo, 48000 Hz, once the rate: 48 kbit/s, finished when the computer sleeps.
    SetDlgItemTextW(g_hMainWnd, IDC_EDIT_FILE, (m_Dir + L"\\s.mp3").c_str());
    for (auto [list, position] :
         {std::pair{IDC_COMBO_CHANNELS, 1}, {IDC_COMBO_SAMPLERATE, 3}, {IDC_COMBO_BITRATE, 0}})
        Send(list, CB_SETCURSEL, position);
    EnterRecordingView();
    EXPECT_EQ(Boxed(StartCommand, 10000, recorded), L"");
    SendMessageW(g_hMainWnd, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_TRUE(!g_pJob && RunUnix(m_Dir, kCheckAudio + "format 48000,2,48000 s.mp3") == 0)
        << "finished before the sleep";
    PostMessageW(g_hMainWnd, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    PostMessageW(g_hMainWnd, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    std::wstring woke = Boxed([] {}, 3000);
    woke += Boxed([] {}, 1000);
    EXPECT_EQ(woke, L"计算机进入睡眠时录音已结束，已录下的文件已保存。") << "told once, after the wake";

    EXPECT_EQ(Boxed(StartCommand, 10000, recorded), L"");
    ASSERT_EQ(RunUnix(m_Dir, "pactl unload-module $(pactl list short modules | grep kv_sink | cut -f1)"), 0);
    EXPECT_NE(Boxed([] {}, 20000).find(L"输入设备已停止传送声音"), std::wstring::npos) << g_Box;
    EXPECT_EQ(RunUnix(m_Dir, kCheckAudio +
                                 "plays 0.3 s_1.mp3; pactl load-module module-null-sink sink_name=kv_sink"),
              0);
    Choose(L"Gone Mic");
    EXPECT_NE(Boxed(StartCommand).find(L"找不到音频输入设备“Gone Mic”"), std::wstring::npos) << g_Box;
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(g_hMainWnd, IDC_BTN_START)) && !g_pJob);
}

// A series at 8000 Hz, the lowest rate (MPEG-2.5, half-size frames), split at a small size and recorded
// from seeded noise: its files play back to back, in players that read their Info frames, without a
// sample added or dropped at a join. The fourth name looks free, but a link to nowhere stands in its
// place: both tries fail, the recording ends with every file so far finished, and the box says which;
// it comes from the timer while another window is in front: it stands alone.
TEST_F(Shell, ASeriesJoinsWithoutASampleAddedOrDroppedAndEndsWhereItsNextFileCannotBeMade) {
    ASSERT_EQ(RunUnix(m_Dir, "ln -s /nonexistent/x j_3.mp3 && "
                             "sox -R -n -r 8000 -b 16 -e signed noise.raw synth 40 whitenoise sinc 100-3000"),
              0);
    ASSERT_TRUE(StartUnix(m_Dir, "pacat --rate=8000 --channels=1 <noise.raw"));
    SetDlgItemTextW(g_hMainWnd, IDC_EDIT_FILE, (m_Dir + L"\\j.mp3").c_str());
    for (auto [list, position] :
         {std::pair{IDC_COMBO_CHANNELS, 0}, {IDC_COMBO_SAMPLERATE, 0}, {IDC_COMBO_BITRATE, 2}})
        Send(list, CB_SETCURSEL, position); // mono, 8000 Hz, 24 kbit/s: 3 kB a second
    EnterRecordingView();
    g_nSplitBytes = 8 << 10;
    StartCommand();
    ASSERT_TRUE(g_pJob);
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, 0, 0, 0, 0);
    SetForegroundWindow(other);
    const std::wstring box = Boxed([] {}, 30000);
    DestroyWindow(other);
    EXPECT_NE(box.find(L"无法创建下一个文件“" + m_Dir + L"\\j_3.mp3”"), std::wstring::npos);
    EXPECT_NE(box.find(L"录音已停止，已录下的文件都已保存。\n\n系统原因："), std::wstring::npos);
    EXPECT_EQ(g_hBoxOwner, nullptr) << "owned by the window behind"; // Wine draws no box topmost
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(g_hMainWnd, IDC_BTN_START)) && !g_pJob);
    EXPECT_EQ(RunUnix(m_Dir, kCheckAudio + "joins noise.raw j.mp3 j_1.mp3 j_2.mp3 && " + kCheckAudio +
                                 "plays 2 j_2.mp3"),
              0);
}

// One copy per session, with this process standing in for the first copy (the session's mutex held):
// once the first shows its window, minimised, a second Kavel.exe brings it back to the front; while
// the first has no window yet (in its update check), the second ends at once.
TEST_F(Shell, ASecondCopyBringsTheFirstForwardOrEndsQuietly) {
    const HANDLE first = CreateMutexW(nullptr, FALSE, L"Local\\Kavel_TORVEN_OneCopy");
    auto secondEnds = [] {
        const auto copy = reinterpret_cast<HANDLE>(_spawnl(_P_NOWAIT, KAVEL_PROGRAM, "Kavel.exe", nullptr));
        DWORD code = 1;
        const bool ended = !WaitForSingleObject(copy, 15000) && GetExitCodeProcess(copy, &code) && code == 0;
        TerminateProcess(copy, 1); // a box or a window: it went on to the update check
        return ended;
    };
    ShowWindow(g_hMainWnd, SW_MINIMIZE);
    EXPECT_TRUE(secondEnds());
    bool (*inFront)() = [] { return !IsIconic(g_hMainWnd) && GetForegroundWindow() == g_hMainWnd; };
    EXPECT_TRUE(Boxed([] {}, 5000, inFront).empty() && inFront());
    SendMessageW(g_hMainWnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(g_hMainWnd)) << "closed from the set-up view";
    EXPECT_TRUE(secondEnds());
    CloseHandle(first);
}
