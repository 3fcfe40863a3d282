// The sound settings panel starts from the system folder even when a control.exe lies beside
// the program and in the current folder, where a search would find it first.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "OwnFolder.h"
#include "SoundSettings.h"

namespace {

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.rfind(L'\\'));
}

// Planted files hold no program: should one be chosen, nothing could start from it.
class SoundSettingsTest : public OwnFolderTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(OwnFolderTest::SetUp());
        for (const std::wstring& path : m_Planted) {
            HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            ASSERT_NE(file, INVALID_HANDLE_VALUE);
            CloseHandle(file);
        }
    }
    void TearDown() override {
        if (m_hProcess) {
            TerminateProcess(m_hProcess, 0);
            WaitForSingleObject(m_hProcess, 5000);
            CloseHandle(m_hProcess);
        }
        for (const std::wstring& path : m_Planted)
            DeleteFileW(path.c_str());
        OwnFolderTest::TearDown();
    }
    const std::wstring m_Planted[2] = {ProgramFolder() + L"\\control.exe", L"control.exe"};
    HANDLE m_hProcess = nullptr;
};

TEST_F(SoundSettingsTest, StartsTheSystemControlPanel) {
    m_hProcess = StartSoundSettings();
    ASSERT_NE(m_hProcess, nullptr);
    wchar_t image[MAX_PATH];
    DWORD n = MAX_PATH;
    ASSERT_TRUE(QueryFullProcessImageNameW(m_hProcess, 0, image, &n));
    wchar_t expected[MAX_PATH];
    UINT length = GetSystemDirectoryW(expected, MAX_PATH);
    EXPECT_EQ(0, lstrcmpiW(image, (std::wstring(expected, length) + L"\\control.exe").c_str())) << image;
}

} // namespace
