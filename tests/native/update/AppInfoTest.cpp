// The application strings record: stored scrambled, readable once unscrambled at start-up.
#include <gtest/gtest.h>

#include <cstring>

#include "AppInfo.h"

TEST(AppInfoTest, UnscramblesIntoTheBuildTexts) {
    CAppInfo plain{};
    std::u16string(u"Kavel 录音机").copy(plain.szTitle, 63);
    std::u16string(u"" KAVEL_DOWNLOAD_URL).copy(plain.szDownloadUrl, 31);
    std::u16string(u"" KAVEL_HELP_URL).copy(plain.szHelpUrl, 63);
    strcpy(plain.szUpdateHost, KAVEL_UPDATE_HOST);
    EXPECT_NE(memcmp(&g_AppInfo, &plain, sizeof plain), 0);
    UnscrambleAppInfo();
    EXPECT_EQ(memcmp(&g_AppInfo, &plain, sizeof plain), 0);
}
