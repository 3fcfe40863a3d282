// The released files carry the version resource Explorer's Details tab shows.
#include <gtest/gtest.h>

#include "E2eSupport.h"
#include "KavelVersion.h"

namespace {

std::wstring VersionText(const std::vector<BYTE>& info, const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT units = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &units) || !value)
        return L"<none>";
    return value;
}

} // namespace

TEST(Package, BothBinariesCarryTheVersion) {
    const std::wstring version = L"" KAVEL_VERSION_TEXT;
    for (const wchar_t* file : {L"Kavel.exe", L"ca.dll"}) {
        SCOPED_TRACE(Utf8(file));
        const std::wstring path = g_config.kavelDir + L"\\" + file;
        const DWORD bytes = GetFileVersionInfoSizeW(path.c_str(), nullptr);
        ASSERT_GT(bytes, 0u) << "no version resource";
        std::vector<BYTE> info(bytes);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, bytes, info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT size = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) && fixed);
        EXPECT_EQ(HIWORD(fixed->dwProductVersionMS), KAVEL_VERSION_MAJOR);
        EXPECT_EQ(LOWORD(fixed->dwProductVersionMS), KAVEL_VERSION_MINOR);
        EXPECT_EQ(HIWORD(fixed->dwProductVersionLS), KAVEL_VERSION_PATCH);
        EXPECT_EQ(Utf8(VersionText(info, L"ProductName")), "Kavel");
        EXPECT_EQ(VersionText(info, L"ProductVersion"), version);
        EXPECT_EQ(VersionText(info, L"FileVersion"), version);
        EXPECT_EQ(VersionText(info, L"OriginalFilename"), file);
        EXPECT_NE(VersionText(info, L"FileDescription"), L"<none>");
    }
}
