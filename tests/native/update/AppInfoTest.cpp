// The application strings record: stored scrambled, unscrambled in place by its XOR rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "AppInfo.h"

namespace {

std::u16string Text(const char16_t* s) {
    return std::u16string(s);
}

TEST(AppInfoTest, StoredScrambledAndUnscrambledByFallingXor) {
    CAppInfo stored;
    memcpy(&stored, &g_AppInfo, sizeof stored);
    UnscrambleAppInfo();
    CAppInfo plain;
    memcpy(&plain, &g_AppInfo, sizeof plain);

    EXPECT_EQ(Text(plain.szDownloadUrl), u"" KAVEL_DOWNLOAD_URL);
    EXPECT_EQ(Text(plain.szHelpUrl), u"" KAVEL_HELP_URL);
    EXPECT_STREQ(plain.szUpdateHost, KAVEL_UPDATE_HOST);
    EXPECT_FALSE(Text(plain.szTitle).empty());
    EXPECT_LT(Text(plain.szTitle).size(), 64u);

    // Each byte's XOR value is one less than the one before, wrapping, starting at 336 - K.
    const auto* s = reinterpret_cast<const unsigned char*>(&stored);
    const auto* p = reinterpret_cast<const unsigned char*>(&plain);
    EXPECT_EQ(s[0] ^ p[0], (336 - kAppInfoScrambleKey) & 0xFF);
    for (size_t i = 1; i < sizeof(CAppInfo); ++i)
        ASSERT_EQ(s[i] ^ p[i], ((s[i - 1] ^ p[i - 1]) + 255) & 0xFF) << "byte " << i;

    // The stored form does not show the host name.
    std::string storedBytes(reinterpret_cast<const char*>(&stored), sizeof stored);
    EXPECT_EQ(storedBytes.find(KAVEL_UPDATE_HOST), std::string::npos);

    UnscrambleAppInfo();
    EXPECT_EQ(memcmp(&g_AppInfo, &stored, sizeof stored), 0);
}

} // namespace
