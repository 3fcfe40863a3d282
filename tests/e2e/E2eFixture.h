// A test case that starts its own copy of Kavel.exe and ends it afterwards.
#pragma once
#include "E2eSupport.h"
#include "Layout.h"

#include <gtest/gtest.h>

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

    // Like Arm, for an arming that is refused: returns the text of the "提示" box it shows ("" when
    // none came) after answering it.
    std::wstring ArmExpectingBox(const std::wstring& path) {
        SetText(Item(kIdFile), path);
        // Posted: the click returns only once the box is answered.
        PostMessageW(Item(kIdReady), BM_CLICK, 0, 0);
        return AnswerBox();
    }

    // Waits for the program's "提示" box with one icon, owned by the main window, answers it and
    // returns its text ("" when none came).
    std::wstring AnswerBox(DWORD timeoutMs = 10000) {
        HWND box = nullptr;
        WaitUntil(
            [&] {
                box = FindTopWindow(m_Kavel.Pid(), L"#32770", L"提示");
                return box && IsWindowVisible(box);
            },
            timeoutMs);
        if (!box)
            return L"";
        const BoxParts parts = ReadBox(box);
        EXPECT_EQ(parts.icons, 1);
        EXPECT_EQ(GetWindow(box, GW_OWNER), m_hWnd) << "the box belongs to the main window";
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
        Sync(m_hWnd);
        return parts.text;
    }

    CKavel m_Kavel;
    HWND m_hWnd = nullptr;
};

#define EXPECT_VIEW(expected) EXPECT_EQ(DescribeIds(ShownIds()), DescribeIds(expected))
#define ASSERT_VIEW(expected) ASSERT_EQ(DescribeIds(ShownIds()), DescribeIds(expected))
