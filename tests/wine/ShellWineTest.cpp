// The recording control in a main window of this process, where a test may make the split size
// small: a split whose next file cannot be made.
#include "ControlIds.h"
#include "MainWindow.h"
#include "ProcessState.h"
#include "Recording.h"
#include "WineUnix.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

// The box comes up inside the timer that found the fault; a timer of the test's, run by the box's own
// message loop, keeps its text and answers it.
static std::wstring g_Box;
static void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD) {
    wchar_t text[4096] = L"";
    HWND box = FindWindowW(L"#32770", L"提示");
    if (box && GetDlgItemTextW(box, 0xFFFF, text, 4096) && g_Box.empty()) {
        g_Box = text;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
}

TEST(Shell, ASplitWhoseNextFileCannotBeMadeEndsTheRecordingAndSaysWhich) {
    const std::wstring dir = L"Z:\\tmp\\kavel-shell-" + std::to_wstring(GetTickCount64());
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr) && SetCurrentDirectoryW(dir.c_str()));
    // The next name looks free, but a link to nowhere stands in its place: both tries fail.
    ASSERT_EQ(RunUnix(dir, "ln -s /nonexistent/x s_1.mp3"), 0);
    g_hInstance = GetModuleHandleW(nullptr);
    g_hMainWnd = CreateMainWindow();
    ASSERT_TRUE(g_hMainWnd);
    SetDlgItemTextW(g_hMainWnd, IDC_EDIT_FILE, (dir + L"\\s.mp3").c_str());
    EnterRecordingView();
    g_nSplitBytes = 16 << 10; // under two seconds at 80 kbit/s, the settings the window starts with
    const UINT_PTR answer = SetTimer(nullptr, 0, 50, AnswerBox);
    StartCommand();
    ASSERT_TRUE(g_pJob);
    MSG msg;
    for (const ULONGLONG end = GetTickCount64() + 20000; g_pJob && GetTickCount64() < end; Sleep(10))
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    KillTimer(nullptr, answer);
    EXPECT_EQ(g_pJob, nullptr);
    EXPECT_NE(g_Box.find(L"无法创建下一个文件“" + dir + L"\\s_1.mp3”"), std::wstring::npos);
    EXPECT_NE(g_Box.find(L"录音已停止，已录下的文件都已保存"), std::wstring::npos);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(g_hMainWnd, IDC_BTN_START)));
    EXPECT_EQ(RunUnix(dir, kCheckAudio + "plays 1.2 s.mp3"), 0);
    LeaveRecordingView();
    DestroyWindow(g_hMainWnd);
    StartUnix(dir, "rm -r \"$PWD\"");
}
