// Arming and leaving the recording view, closing the window, and the one-copy rule.
#include "E2eFixture.h"
#include "Screenshot.h"
#include "SkinImage.h"

using Views = KavelCase;

namespace {

// A close request the way the close box sends it.
void CloseBox(HWND hWnd) {
    PostMessageW(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

} // namespace

TEST_F(Views, ArmingWithoutFileStaysInSetUpView) {
    EXPECT_EQ(Utf8(ArmExpectingBox(L"")), Utf8(L"请先点击“选择...”选择要保存的MP3文件。"));
    EXPECT_VIEW(kSetUpView);
    EXPECT_EQ(TextOf(Item(kIdFile)), L"");
    // A refused arming leaves no hot key behind.
    EXPECT_FALSE(HotKeyTaken(L"F9"));
    EXPECT_FALSE(HotKeyTaken(L"F8"));
}

TEST_F(Views, ArmingRefusedWhileAnotherProgramHoldsAHotKey) {
    // Held by another program, Ctrl+Alt+F8 fails the second registration; the first must go again.
    const CRunningTool holder(L"e2e_hotkey_probe.exe", L"hold F8 20000");
    ASSERT_TRUE(holder.Started());
    // A new Wine process can take seconds to start on a cold machine.
    ASSERT_TRUE(WaitUntil([] { return HotKeyTaken(L"F8"); }, 15000, 100))
        << "the holder did not take Ctrl+Alt+F8";

    EXPECT_EQ(Utf8(ArmExpectingBox(OutPath(L"refused.mp3"))),
              Utf8(L"热键 Ctrl+Alt+F8 已被其他程序占用，无法准备录制。"));
    EXPECT_VIEW(kSetUpView);
    EXPECT_EQ(TextOf(Item(kIdFile)), L"");
    EXPECT_FALSE(HotKeyTaken(L"F9"));
    EXPECT_FALSE(FileExists(OutPath(L"refused.mp3")));
}

TEST_F(Views, RecordingViewIgnoresCloseAndLeavesBackToSetUp) {
    const std::wstring file = OutPath(L"armed.mp3");
    Arm(file);
    ASSERT_VIEW(kRecordingIdle);
    EXPECT_EQ(Utf8(TextOf(Item(kIdStatus))), Utf8(kHotKeyHint));

    // Closing is refused while the recording view is shown.
    PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
    CloseBox(m_hWnd);
    PumpFor(800);
    EXPECT_TRUE(m_Kavel.Running());
    EXPECT_TRUE(IsWindow(m_hWnd));
    EXPECT_VIEW(kRecordingIdle);

    PumpFor(300);
    CShot shot;
    ASSERT_TRUE(shot.Capture(m_hWnd));
    shot.SaveBmp(OutPath(L"window-armed.bmp"));
    // The status box is read-only: cyan on black.
    RECT status;
    GetWindowRect(Item(kIdStatus), &status);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&status), 2);
    int black = 0, all = 0;
    for (int y = status.top + 3; y < status.bottom - 3; ++y)
        for (int x = status.left + 3; x < status.right - 3; ++x, ++all)
            black += shot.Client(x, y) == 0;
    EXPECT_GT(black, all / 2) << black << " of " << all << " status pixels black";
    // Hidden buttons take their plates along: where the set-up buttons stood the skin shows.
    CSkinImage skin;
    ASSERT_TRUE(skin.Load(g_config.kavelDir + L"\\Kavel.eb"));
    for (const RECT& r : {RECT{488, 104, 608, 128}, RECT{488, 132, 608, 156}, RECT{488, 300, 608, 324},
                          RECT{318, 352, 322, 376}}) {
        int same = 0, n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x, ++n)
                same += shot.Client(x, y) == skin.At(x % skin.Width(), y % skin.Height());
        EXPECT_GT(same, n * 95 / 100) << "plate left at " << r.left << "," << r.top;
    }

    Click(Item(kIdBack));
    EXPECT_VIEW(kSetUpView);
    EXPECT_EQ(TextOf(Item(kIdFile)), L"");
    EXPECT_FALSE(FileExists(file)) << "arming alone must not create the file";

    // Back in the set-up view the close box ends the program, with exit code 0.
    CloseBox(m_hWnd);
    DWORD code = 1;
    ASSERT_TRUE(m_Kavel.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(Views, SecondCopyBringsFirstForwardAndEnds) {
    // Something else in front first, so that the second copy has something to change.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"KavelE2eFront";
    RegisterClassW(&wc);
    HWND front = CreateWindowExW(0, wc.lpszClassName, L"front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                                 200, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(front, nullptr);
    SetForegroundWindow(front);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == front; }, 3000));

    CKavel second;
    ASSERT_TRUE(second.Start(g_config.kavelDir));
    DWORD code = 1;
    ASSERT_TRUE(second.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == m_hWnd; }, 3000))
        << "the first copy's window was not brought forward";
    EXPECT_EQ(FindTopWindow(second.Pid(), L"Kavel_TORVEN"), nullptr);
    EXPECT_EQ(FindTopWindow(second.Pid(), L"#32770"), nullptr);
    DestroyWindow(front);
    EXPECT_TRUE(m_Kavel.Running());
}

TEST_F(Views, DoubleClickRunsOneCommand) {
    const std::wstring file = OutPath(L"double.mp3");
    DeleteFileW(file.c_str());
    SetText(Item(kIdFile), file);
    // The second half of a double-click is no command of its own.
    PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(kIdReady, BN_DOUBLECLICKED),
                 reinterpret_cast<LPARAM>(Item(kIdReady)));
    Sync(m_hWnd);
    EXPECT_VIEW(kSetUpView);

    // A real double-click on the left of "准备就绪", where the start button appears: the second
    // click is no start. After the double-click time a click starts. The pointer goes back
    // afterwards, so that later cases click buttons that did not appear under it.
    struct CPointerBack {
        POINT old = {};
        CPointerBack() { GetCursorPos(&old); }
        ~CPointerBack() { SetCursorPos(old.x, old.y); }
    } back;
    POINT p = {270, 364};
    ClientToScreen(m_hWnd, &p);
    ASSERT_TRUE(MouseClickAt(p));
    ASSERT_TRUE(WaitUntil([&] { return ShownIds() == kRecordingIdle; }, 2000)) << "the first click arms";
    ASSERT_TRUE(MouseClickAt(p));
    PumpFor(200);
    Sync(m_hWnd);
    EXPECT_VIEW(kRecordingIdle);
    PumpFor(GetDoubleClickTime() + 100);
    Click(Item(kIdStart));
    EXPECT_VIEW(kRecordingBusy);
}
