// Skin scrambling and the bitmap checks that guard the pattern brush from reading past the file.
#include "SkinFile.h"
#include "Images.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& f, size_t at, uint32_t v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i)
        f[at + i] = static_cast<uint8_t>(v >> 8 * i);
}

// A bottom-up uncompressed bitmap file with a full colour table for palette depths.
Bytes MakeBitmap(int32_t width, int32_t height, uint32_t bitCount, uint32_t extra = 0, uint32_t header = 40) {
    const uint32_t stride = (width * bitCount + 31) / 32 * 4,
                   bits = 14 + header + (bitCount <= 8 ? 4 << bitCount : 0);
    Bytes f(bits + stride * (height < 0 ? -height : height) + extra, 0);
    f[0] = 'B', f[1] = 'M';
    Put(f, 2, f.size()), Put(f, 10, bits), Put(f, 14, header), Put(f, 18, width), Put(f, 22, height);
    Put(f, 26, 1, 2), Put(f, 28, bitCount, 2);
    return f;
}

int Check(const Bytes& f) {
    uint32_t bits = 0;
    return CheckSkinBitmap(f.data(), f.size(), &bits);
}

} // namespace

TEST(SkinFile, ScramblingCountsDownFromTheFileLengthAndUndoesItself) {
    Bytes f(1000, 0);
    ScrambleSkin(f.data(), f.size(), kSkinKey, 5);
    EXPECT_EQ(f[0], static_cast<uint8_t>('K' + 232)); // 1000 mod 256, key[1000 mod 5]
    EXPECT_EQ(f[1], static_cast<uint8_t>('l' + 231));
    EXPECT_EQ(f[999], static_cast<uint8_t>('a' + 1));
    // The program's own skin, as the build stores it, loads.
    Bytes skin = MakeSkinBitmapFile();
    ScrambleSkin(skin.data(), skin.size(), kSkinKey, 5);
    ScrambleSkin(skin.data(), skin.size(), kSkinKey, 5);
    EXPECT_EQ(1, Check(skin));
    const int64_t sizes[][2] = {{58, 0}, {59, 1}, {64 << 20, 1}, {(64 << 20) + 1, 0}, {(4ll << 30) + 59, 0}};
    for (const auto& s : sizes)
        EXPECT_EQ(s[1], IsSkinFileSizeAllowed(s[0])) << s[0];
}

TEST(SkinFile, AcceptsWellFormedBitmapsOnly) {
    for (uint32_t bitCount : {1u, 4u, 8u, 16u, 24u, 32u})
        EXPECT_EQ(1, Check(MakeBitmap(7, 5, bitCount))) << bitCount;
    EXPECT_EQ(1, Check(MakeBitmap(640, -480, 24))) << "top-down";
    EXPECT_EQ(0, Check(MakeBitmap(1, 1, 24))) << "58 bytes: a bitmap, too short for a skin";
    // Field offset, value, width, accepted: the image size exact / one short / one over, then one
    // broken field each, and the size field one off.
    // clang-format off
    const uint32_t cases[][4] = {
        {34, 8 * 24, 4, 1}, {34, 8 * 24 - 1, 4, 0}, {34, 8 * 24 + 1, 4, 0},
        {0, 'B' | 'N' << 8, 2, 0}, {14, 12, 4, 0}, {14, 41, 4, 0}, {18, 0, 4, 0}, {18, ~0u, 4, 0},
        {22, 0, 4, 0}, {22, 0x80000000, 4, 0}, {26, 2, 2, 0}, {28, 2, 2, 0}, {30, 1, 4, 0}, {30, 3, 4, 0},
        {10, 0x7FFFFFFF, 4, 0}, {10, 20, 4, 0}, {22, 11, 4, 0}, {18, 0x7FFFFFFF, 4, 0}, {46, ~0u, 4, 0},
        {2, 8 * 24 + 54 + 59, 4, 0}, {2, 8 * 24 + 54 + 61, 4, 0}};
    // clang-format on
    for (const auto& c : cases) {
        Bytes f = MakeBitmap(8, 8, 24, 60);
        Put(f, c[0], c[1], c[2]);
        EXPECT_EQ(c[3], Check(f)) << c[0] << " " << c[1];
    }
    Bytes cut = MakeBitmap(9, 3, 24); // the pixel bits one byte short
    cut.pop_back();
    Put(cut, 2, cut.size());
    EXPECT_EQ(0, Check(cut));
    Bytes palette = MakeBitmap(1, 1, 8); // part of the colour table only
    palette.resize(154);
    Put(palette, 2, 154);
    EXPECT_EQ(0, Check(palette));
    Bytes colours = MakeBitmap(4, 4, 4, 4096);
    Put(colours, 46, 17); // 4 bits hold 16
    EXPECT_EQ(0, Check(colours));
    Bytes huge = MakeBitmap(1, 1, 32, 100); // stride x rows would overflow unchecked
    Put(huge, 18, 0x7FFFFFFF), Put(huge, 22, 0x7FFFFFFF);
    EXPECT_EQ(0, Check(huge));
}

TEST(SkinFile, ColourProfileMustLieInsideTheFile) {
    const uint32_t kEmbedded = 0x4D424544, kLinked = 0x4C494E4B, kSrgb = 0x73524742;
    // Header size, profile type, offset from the header's start, size, accepted.
    const uint32_t cases[][5] = {{124, kEmbedded, 316, 64, 1}, {124, kLinked, 316, 64, 1},
                                 {124, kEmbedded, 316, 65, 0}, {124, kEmbedded, 0xFFFFFFF0, 16, 0},
                                 {124, kLinked, 316, ~0u, 0},  {124, kSrgb, 0xFFFFFFF0, 16, 1},
                                 {108, kEmbedded, 0, 0, 0},    {108, kSrgb, 0, 0, 1}};
    for (const auto& c : cases) {
        Bytes f = MakeBitmap(8, 8, 24, 64, c[0]); // 394 bytes with the 124-byte header
        Put(f, 14 + 56, c[1]);
        if (c[0] == 124)
            Put(f, 14 + 112, c[2]), Put(f, 14 + 116, c[3]);
        EXPECT_EQ(c[4], Check(f)) << c[0] << " " << c[1] << " " << c[3];
    }
}
