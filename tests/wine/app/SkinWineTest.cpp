// Loading "Kavel.eb" from the current directory into the pattern brush, its failures, and the
// release of the drawing objects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Images.h"
#include "OwnFolder.h"
#include "Skin.h"
#include "SkinFile.h"

namespace {

std::vector<uint8_t> StoredSkin() {
    std::vector<uint8_t> f = MakeSkinBitmapFile();
    ScrambleSkin(f.data(), f.size(), kSkinKey, sizeof kSkinKey);
    return f;
}

void WriteSkin(const std::vector<uint8_t>& bytes) {
    HANDLE h =
        CreateFileW(L"Kavel.eb", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD written = 0;
    WriteFile(h, bytes.data(), bytes.size(), &written, nullptr);
    CloseHandle(h);
    ASSERT_EQ(bytes.size(), written);
}

void ExpectNothingCreated() {
    EXPECT_EQ(nullptr, g_hSkinBrush);
    EXPECT_EQ(nullptr, g_hFont);
    EXPECT_EQ(nullptr, g_hPenNormal);
    EXPECT_EQ(nullptr, g_hPenPressed);
}

// Each test runs in a folder of its own, since the skin is read from the current directory.
class SkinTest : public OwnFolderTest {
  protected:
    void TearDown() override {
        ReleaseDrawingResources();
        DeleteFileW(L"Kavel.eb");
        OwnFolderTest::TearDown();
    }
};

} // namespace

TEST_F(SkinTest, LoadsTheSkinIntoThePatternBrush) {
    WriteSkin(StoredSkin());
    ASSERT_EQ(1, CreateDrawingResources());
    ASSERT_NE(nullptr, g_hSkinBrush);
    EXPECT_NE(nullptr, g_hFont);
    EXPECT_NE(nullptr, g_hPenNormal);
    EXPECT_NE(nullptr, g_hPenPressed);
    EXPECT_EQ(GetStockObject(NULL_BRUSH), g_hHollowBrush);
    EXPECT_EQ(GetStockObject(BLACK_BRUSH), g_hBlackBrush);
    EXPECT_EQ(640, g_Skin.m_pInfoHeader->biWidth);
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(g_Skin.m_pInfo) + 40, g_Skin.m_pBits);

    ReleaseDrawingResources();
    ExpectNothingCreated();
    EXPECT_TRUE(g_Skin.m_Blocks.IsEmpty());
    ReleaseDrawingResources(); // a second release changes nothing
    ExpectNothingCreated();
}

TEST_F(SkinTest, RefusedSkinsCreateNothing) {
    const std::vector<uint8_t> stored = StoredSkin();
    std::vector<std::vector<uint8_t>> files;
    files.push_back(MakeSkinBitmapFile());               // not scrambled
    files.push_back({stored.begin(), stored.end() - 1}); // one byte short of its size field
    files.push_back({stored.begin(), stored.begin() + 58});
    std::vector<uint8_t> wrongKey = MakeSkinBitmapFile();
    const uint8_t otherKey[5] = {'k', 'a', 'v', 'e', 'l'};
    ScrambleSkin(wrongKey.data(), wrongKey.size(), otherKey, 5);
    files.push_back(wrongKey);

    EXPECT_EQ(0, CreateDrawingResources()) << "no file";
    ExpectNothingCreated();
    for (size_t i = 0; i < files.size(); ++i) {
        WriteSkin(files[i]);
        EXPECT_EQ(0, CreateDrawingResources()) << "file " << i;
        ExpectNothingCreated();
    }
}
