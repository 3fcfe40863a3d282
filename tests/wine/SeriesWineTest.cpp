// A series at 8000 Hz, the lowest rate (MPEG-2.5, half-size frames), split at a small size in a main
// window of this process and recorded from seeded noise: its files play back to back, in players that
// read their Info frames, without a sample added or dropped at a join.
#include "ControlIds.h"
#include "MainWindow.h"
#include "ProcessState.h"
#include "Recording.h"
#include "WineUnix.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(Series, FilesOfASeriesJoinWithoutASampleAddedOrDropped) {
    const std::wstring dir = L"Z:\\tmp\\kavel-series-" + std::to_wstring(GetTickCount64());
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    ASSERT_EQ(RunUnix(dir, "sox -R -n -r 8000 -b 16 -e signed noise.raw synth 40 whitenoise sinc 100-3000"),
              0);
    ASSERT_TRUE(StartUnix(dir, "pacat --rate=8000 --channels=1 <noise.raw"));
    g_hInstance = GetModuleHandleW(nullptr);
    g_hMainWnd = CreateMainWindow();
    ASSERT_TRUE(g_hMainWnd);
    SetDlgItemTextW(g_hMainWnd, IDC_EDIT_FILE, (dir + L"\\j.mp3").c_str());
    // Mono, 8000 Hz, three times the rate: 24 kbit/s, 3 kB a second.
    for (auto [list, position] :
         {std::pair{IDC_COMBO_CHANNELS, 0}, {IDC_COMBO_SAMPLERATE, 0}, {IDC_COMBO_BITRATE, 2}})
        SendDlgItemMessageW(g_hMainWnd, list, CB_SETCURSEL, position, 0);
    EnterRecordingView();
    g_nSplitBytes = 8 << 10;
    StartCommand();
    ASSERT_TRUE(g_pJob);
    MSG msg;
    const std::wstring last = dir + L"\\j_2.mp3";
    for (ULONGLONG end = GetTickCount64() + 30000; g_pJob && GetTickCount64() < end; Sleep(10)) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (GetFileAttributesW(last.c_str()) != INVALID_FILE_ATTRIBUTES && end > GetTickCount64() + 2000)
            end = GetTickCount64() + 2000; // two seconds into the third file
    }
    StopCommand();
    LeaveRecordingView();
    DestroyWindow(g_hMainWnd);
    EXPECT_EQ(RunUnix(dir, kCheckAudio + "joins noise.raw j.mp3 j_1.mp3 j_2.mp3"), 0);
    StartUnix(dir, "rm -r \"$PWD\"");
}
