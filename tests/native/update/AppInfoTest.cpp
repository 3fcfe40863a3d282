// The application strings record: stored scrambled, readable once unscrambled at start-up.
#include <gtest/gtest.h>

#include "AppInfo.h"

TEST(AppInfoTest, UnscramblesIntoTheBuildTexts) {
    UnscrambleAppInfo();
    // The whole field with the zeros after the name, down to the record's last byte.
    EXPECT_EQ(std::string(g_AppInfo.szUpdateHost, 16),
              (KAVEL_UPDATE_HOST + std::string(16, '\0')).substr(0, 16));
}
