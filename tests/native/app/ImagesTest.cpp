// The skin drawn at build time must pass the program's own load checks and suit its colours.
#include "Images.h"
#include "SkinFile.h"

#include <gtest/gtest.h>

namespace {

uint32_t Read16(const std::vector<uint8_t>& f, size_t at) {
    return f[at] | f[at + 1] << 8;
}
uint32_t Read32(const std::vector<uint8_t>& f, size_t at) {
    return Read16(f, at) | Read16(f, at + 2) << 16;
}

// Mean brightness (0-255) of a client-area rectangle of the skin (rows stored bottom-up).
double MeanLevel(const std::vector<uint8_t>& bmp, int x0, int y0, int x1, int y1) {
    const uint32_t bits = Read32(bmp, 10), stride = kSkinWidth * 3;
    double sum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const size_t at = bits + (kSkinHeight - 1 - y) * stride + x * 3;
            sum += (bmp[at] + bmp[at + 1] + bmp[at + 2]) / 3.0;
        }
    return sum / ((x1 - x0) * (y1 - y0));
}

} // namespace

TEST(Images, SkinPassesTheLoadChecksAfterScrambling) {
    const std::vector<uint8_t> plain = MakeSkinBitmapFile();
    std::vector<uint8_t> stored = plain;
    ScrambleSkin(stored.data(), stored.size(), kSkinKey, sizeof kSkinKey);
    ASSERT_NE(plain, stored);
    ScrambleSkin(stored.data(), stored.size(), kSkinKey, sizeof kSkinKey);
    uint32_t bits = 0;
    ASSERT_EQ(1, CheckSkinBitmap(stored.data(), stored.size(), &bits));
    EXPECT_EQ(640u, Read32(plain, 18));
    EXPECT_EQ(480u, Read32(plain, 22));
    EXPECT_EQ(24u, Read16(plain, 28));

    // Yellow labels sit on a dark ground. The buttons bring their own light plate, so where they
    // stand the skin stays dark as well: a hidden button must leave no plate behind.
    EXPECT_LT(MeanLevel(plain, 40, 104, 160, 324), 40);
    const int buttons[][4] = {{488, 104, 608, 128}, {488, 132, 608, 156}, {488, 300, 608, 324},
                              {260, 352, 380, 376}, {198, 352, 318, 376}, {322, 352, 442, 376}};
    for (const auto& b : buttons)
        EXPECT_LT(MeanLevel(plain, b[0], b[1], b[2], b[3]), 40) << b[0] << "," << b[1];
}
