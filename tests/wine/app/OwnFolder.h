// A fixture whose tests run in a fresh folder of their own as the current directory, which the
// program reads its skin from and searches programs in.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

class OwnFolderTest : public testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        m_Dir = std::wstring(temp) + L"kavel-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_Dir.c_str(), nullptr);
        GetCurrentDirectoryW(MAX_PATH, m_Previous);
        ASSERT_TRUE(SetCurrentDirectoryW(m_Dir.c_str()));
    }
    // After the test's own files in the folder are gone.
    void TearDown() override {
        SetCurrentDirectoryW(m_Previous);
        RemoveDirectoryW(m_Dir.c_str());
    }
    std::wstring m_Dir;
    wchar_t m_Previous[MAX_PATH];
};
