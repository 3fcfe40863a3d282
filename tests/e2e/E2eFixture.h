// A test case that starts its own copy of Kavel.exe and ends it afterwards.
#pragma once
#include "E2eSupport.h"
#include "Layout.h"

#include <gtest/gtest.h>

#include <cwchar>

// The status field's "%u(MB) / %u(B)", exactly; false for anything else.
inline bool ParseStatus(const std::wstring& text, unsigned* mb, unsigned* bytes) {
    if (std::swscanf(text.c_str(), L"%u(MB) / %u(B)", mb, bytes) != 2)
        return false;
    wchar_t again[64];
    std::swprintf(again, 64, L"%u(MB) / %u(B)", *mb, *bytes);
    return text == again;
}

class KavelCase : public testing::Test {
  protected:
    void SetUp() override {
        EndStrayKavels();
        ASSERT_TRUE(m_Kavel.Start(g_config.kavelDir))
            << "cannot start Kavel.exe in " << Utf8(g_config.kavelDir);
        m_hWnd = m_Kavel.WaitForWindow();
        ASSERT_NE(m_hWnd, nullptr) << "no window of class Kavel_TORVEN appeared";
    }

    HWND Item(int id) const { return m_Kavel.Item(id); }

    uint32_t ShownIds() const {
        uint32_t bits = 0;
        for (int id = 1; id <= 24; ++id)
            if (Shown(Item(id)))
                bits |= 1u << id;
        return bits;
    }

    // Puts a name into the path box (read-only to the user, so by message) and presses "准备就绪".
    void Arm(const std::wstring& path) {
        SetText(Item(kIdFile), path);
        Click(Item(kIdReady));
    }

    CKavel m_Kavel;
    HWND m_hWnd = nullptr;
};

#define EXPECT_VIEW(expected) EXPECT_EQ(DescribeIds(ShownIds()), DescribeIds(expected))
#define ASSERT_VIEW(expected) ASSERT_EQ(DescribeIds(ShownIds()), DescribeIds(expected))
