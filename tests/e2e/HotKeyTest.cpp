// Ctrl+Alt+F9 and Ctrl+Alt+F8 as real key presses from another program in the same Wine desktop.
#include "E2eFixture.h"

using HotKeys = KavelCase;

TEST_F(HotKeys, HeldExactlyWhileArmed) {
    EXPECT_FALSE(HotKeyTaken(L"F9"));
    EXPECT_FALSE(HotKeyTaken(L"F8"));
    Arm(OutPath(L"held.mp3"));
    ASSERT_VIEW(kRecordingIdle);
    EXPECT_TRUE(HotKeyTaken(L"F9"));
    EXPECT_TRUE(HotKeyTaken(L"F8"));
    Click(Item(kIdBack));
    ASSERT_VIEW(kSetUpView);
    EXPECT_FALSE(HotKeyTaken(L"F9"));
    EXPECT_FALSE(HotKeyTaken(L"F8"));
}

TEST_F(HotKeys, StartAndStopRecording) {
    const std::wstring file = OutPath(L"hotkey.mp3");
    for (const wchar_t* name : {L"hotkey.mp3", L"hotkey_1.mp3", L"hotkey_2.mp3"})
        DeleteFileW(OutPath(name).c_str());
    Arm(file);
    ASSERT_VIEW(kRecordingIdle);

    ASSERT_TRUE(PressHotKey(L"F9"));
    // The buttons swap before the job starts, and a stop waits for the encoder after the swap.
    ASSERT_TRUE(WaitUntil([&] { return ShownIds() == kRecordingBusy; }, 5000)) << DescribeIds(ShownIds());
    Sync(m_hWnd);
    // The file is made once the device runs, which Wine may let a sent message overtake.
    EXPECT_TRUE(WaitUntil([&] { return FileExists(file); }, 5000));
    unsigned mb = 0, bytes = 0;
    EXPECT_TRUE(
        WaitUntil([&] { return ParseStatus(TextOf(Item(kIdStatus)), &mb, &bytes) && bytes > 0; }, 5000))
        << Utf8(TextOf(Item(kIdStatus)));

    // Start again while recording: the recording goes on, no second file, the counter stays.
    ASSERT_TRUE(PressHotKey(L"F9"));
    PumpFor(1500);
    EXPECT_VIEW(kRecordingBusy);

    ASSERT_TRUE(PressHotKey(L"F8"));
    ASSERT_TRUE(WaitUntil([&] { return ShownIds() == kRecordingIdle; }, 15000)) << DescribeIds(ShownIds());
    Sync(m_hWnd);
    EXPECT_FALSE(FileExists(OutPath(L"hotkey_1.mp3")));
    EXPECT_GE(FileSize(file), static_cast<int64_t>(bytes) + 128);

    // Stop with nothing running changes nothing; the next start takes the next number.
    ASSERT_TRUE(PressHotKey(L"F8"));
    PumpFor(500);
    EXPECT_VIEW(kRecordingIdle);
    ASSERT_TRUE(PressHotKey(L"F9"));
    ASSERT_TRUE(WaitUntil([&] { return ShownIds() == kRecordingBusy; }, 5000));
    PumpFor(1500);
    ASSERT_TRUE(PressHotKey(L"F8"));
    ASSERT_TRUE(WaitUntil([&] { return ShownIds() == kRecordingIdle; }, 15000));
    Sync(m_hWnd);
    EXPECT_TRUE(FileExists(OutPath(L"hotkey_1.mp3")));
    EXPECT_FALSE(FileExists(OutPath(L"hotkey_2.mp3")));

    Click(Item(kIdBack));
    EXPECT_VIEW(kSetUpView);
    ExpectMp3("HotKeys.StartAndStopRecording", L"hotkey.mp3", 1.5);
}

TEST_F(HotKeys, PressesDoNothingInSetUpView) {
    // Armed and left first, so that a key left registered would show here.
    const std::wstring file = OutPath(L"setup-keys.mp3");
    DeleteFileW(file.c_str());
    Arm(file);
    ASSERT_VIEW(kRecordingIdle);
    Click(Item(kIdBack));
    ASSERT_VIEW(kSetUpView);

    for (const wchar_t* key : {L"F9", L"F8"}) {
        ASSERT_TRUE(PressHotKey(key));
        PumpFor(1000);
        EXPECT_VIEW(kSetUpView) << "after Ctrl+Alt+" << Utf8(key);
    }
    EXPECT_FALSE(FileExists(file));
}
