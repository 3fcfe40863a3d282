// The set-up view: the sound settings, the save dialog, and arming refused.
#include "E2eSupport.h"

// Without a sound driver: the title from the application strings; the sound settings start from the
// system folder, not from a control.exe in the program's; the save dialog, driven as a user would, adds
// ".mp3" to a name typed without an extension and asks before a file is replaced (recorded over: the
// recording case); arming is refused, there being no input device, and the set-up view stays with the
// file chosen. (Other refusals: the Wine test.)
TEST(SetUp, SoundSettingsTheSaveDialogAndNoInputDevice) {
    std::ofstream(Out(L"old.mp3")) << "an older file";
    Kavel k(false);
    ASSERT_TRUE(k.Window());
    EXPECT_EQ(Text(k.wnd), L"Kavel 录音机");
    CopyFileW(_wpgmptr, L"C:\\windows\\system32\\control.exe", FALSE); // run as native (tests/e2e/run)
    CopyFileW(_wpgmptr, L"control.exe", FALSE);
    k.Click(19);
    EXPECT_EQ(Logged(), "\"C:\\windows\\system32\\control.exe\" mmsys.cpl,,1"); // the recording tab
    for (const wchar_t* typed : {L"named", L"old"}) {
        PostMessageW(k.Item(17), BM_CLICK, 0, 0);
        HWND dialog = nullptr, question = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (dialog = Owned(k.wnd)) != nullptr; })) << "no save dialog";
        for (int nameField : {0x47C, 0x480}) // the combo box of newer dialogs, the field of older ones
            SetDlgItemTextW(dialog, nameField, (g_out + L"\\" + typed).c_str());
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return (question = Owned(dialog)) || !IsWindow(dialog); }));
        EXPECT_EQ(question != nullptr, typed[0] == L'o') << "asked about the existing file only";
        PostMessageW(question, WM_COMMAND, IDYES, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the dialog stays";
        EXPECT_EQ(Text(k.Item(9)), g_out + L"\\" + typed + L".mp3");
    }
    PostMessageW(k.Item(18), BM_CLICK, 0, 0);
    k.Box(L"没有找到音频输入设备");
    EXPECT_TRUE(k.Shown(18) && Text(k.Item(9)) == g_out + L"\\old.mp3" && !Taken(VK_F9)) << "as it was";
}
