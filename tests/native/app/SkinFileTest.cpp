// Skin scrambling and the bitmap checks that guard the pattern brush from reading past the file.
#include "SkinFile.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const uint8_t kKey[5] = {'K', 'a', 'v', 'e', 'l'};

void Put16(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    f[at] = v & 0xFF;
    f[at + 1] = (v >> 8) & 0xFF;
}
void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
    Put16(f, at, v & 0xFFFF);
    Put16(f, at + 2, v >> 16);
}

// A bottom-up BI_RGB bitmap file with a full colour table for palette depths.
std::vector<uint8_t> MakeBitmap(int32_t width, int32_t height, uint32_t bitCount, uint32_t extraBytes = 0,
                                uint32_t headerBytes = 40) {
    const uint32_t colours = bitCount <= 8 ? 1u << bitCount : 0;
    const uint32_t stride = (width * bitCount + 31) / 32 * 4;
    const uint32_t rows = height < 0 ? -height : height;
    const uint32_t bits = 14 + headerBytes + colours * 4;
    std::vector<uint8_t> f(bits + stride * rows + extraBytes, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, f.size());
    Put32(f, 10, bits);
    Put32(f, 14, headerBytes);
    Put32(f, 18, width);
    Put32(f, 22, height);
    Put16(f, 26, 1);
    Put16(f, 28, bitCount);
    return f;
}

int Check(const std::vector<uint8_t>& f) {
    uint32_t bits = 0;
    return CheckSkinBitmap(f.data(), f.size(), &bits);
}

} // namespace

TEST(SkinFile, CounterRunsDownFromTheFileLength) {
    std::vector<uint8_t> f(1000, 0);
    ScrambleSkin(f.data(), f.size(), kKey, 5);
    EXPECT_EQ(f.front(), static_cast<uint8_t>('K' + 232));
    EXPECT_EQ(f[1], static_cast<uint8_t>('l' + 231)); // c = 999, 999 mod 5 = 4
    EXPECT_EQ(f.back(), static_cast<uint8_t>('a' + 1));
    ScrambleSkin(f.data(), f.size(), kKey, 5);
    EXPECT_EQ(std::vector<uint8_t>(1000, 0), f) << "the same step unscrambles";
}

TEST(SkinFile, AcceptsWellFormedBitmaps) {
    for (uint32_t bitCount : {1u, 4u, 8u, 16u, 24u, 32u}) {
        std::vector<uint8_t> f = MakeBitmap(7, 5, bitCount);
        uint32_t bits = 0;
        EXPECT_EQ(1, CheckSkinBitmap(f.data(), f.size(), &bits)) << bitCount;
        EXPECT_EQ(14u + 40u + (bitCount <= 8 ? 4u << bitCount : 0u), bits) << bitCount;
    }
    EXPECT_EQ(1, Check(MakeBitmap(640, -480, 24))) << "top-down";
    std::vector<uint8_t> fewColours = MakeBitmap(4, 4, 8);
    Put32(fewColours, 46, 16); // 16 colours used: the bits may start 960 bytes earlier
    EXPECT_EQ(1, Check(fewColours));
    std::vector<uint8_t> sized = MakeBitmap(8, 8, 24);
    Put32(sized, 34, 8 * 24); // the image-size field may give the pixel bytes exactly
    EXPECT_EQ(1, Check(sized));
}

TEST(SkinFile, FileSizeBounds) {
    // A 1x1 bitmap at 24 bits is 58 bytes: valid as a bitmap, still too short for a skin.
    std::vector<uint8_t> f58 = MakeBitmap(1, 1, 24);
    ASSERT_EQ(58u, f58.size());
    EXPECT_EQ(0, Check(f58));
    EXPECT_EQ(1, Check(MakeBitmap(1, 1, 24, 1)));
    const struct {
        int64_t bytes;
        int allowed;
    } cases[] = {{58, 0}, {59, 1}, {64 << 20, 1}, {(64 << 20) + 1, 0}, {(4ll << 30) + 59, 0}, {-1, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.allowed, IsSkinFileSizeAllowed(c.bytes)) << c.bytes;
}

TEST(SkinFile, RefusesHeadersThatDoNotDescribeTheFile) {
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        int bytes;
    };
    const Case cases[] = {
        {"magic", 0, 'B' | 'N' << 8, 2},
        {"core header", 14, 12, 4},
        {"odd header size", 14, 41, 4},
        {"width 0", 18, 0, 4},
        {"negative width", 18, 0xFFFFFFFF, 4},
        {"height 0", 22, 0, 4},
        {"height INT32_MIN", 22, 0x80000000, 4},
        {"two planes", 26, 2, 2},
        {"bit count 2", 28, 2, 2},
        {"RLE compression", 30, 1, 4},
        {"bit fields", 30, 3, 4},
        {"bits offset past the end", 10, 0x7FFFFFFF, 4},
        {"bits offset inside the header", 10, 20, 4},
        {"more rows than bytes", 22, 11, 4},
        {"stride overflows 32 bits", 18, 0x7FFFFFFF, 4},
        {"colour table for a true-colour bitmap beyond the file", 46, 0xFFFFFFFF, 4},
        {"image size one byte short", 34, 8 * 24 - 1, 4},
        {"image size one byte over", 34, 8 * 24 + 1, 4},
    };
    const std::vector<uint8_t> good = MakeBitmap(8, 8, 24, 60);
    ASSERT_EQ(1, Check(good));
    for (const Case& c : cases) {
        std::vector<uint8_t> f = good;
        if (c.bytes == 2)
            Put16(f, c.at, c.value);
        else
            Put32(f, c.at, c.value);
        EXPECT_EQ(0, Check(f)) << c.what;
    }
    for (uint32_t size : {good.size() - 1, good.size() + 1}) {
        std::vector<uint8_t> f = good;
        Put32(f, 2, size);
        EXPECT_EQ(0, Check(f)) << "size field " << size << " for " << good.size();
    }
}

TEST(SkinFile, RefusesPixelsOrColoursCutOffByTheFileEnd) {
    // Shorten a bitmap by one byte and fix its size field: the pixel bits no longer fit.
    std::vector<uint8_t> cut = MakeBitmap(9, 3, 24);
    cut.pop_back();
    Put32(cut, 2, cut.size());
    EXPECT_EQ(0, Check(cut));

    // 8 bits with 256 colours: a file holding only part of the colour table.
    std::vector<uint8_t> palette = MakeBitmap(1, 1, 8);
    palette.resize(14 + 40 + 100);
    Put32(palette, 2, palette.size());
    EXPECT_EQ(0, Check(palette));

    std::vector<uint8_t> tooManyColours = MakeBitmap(4, 4, 4, 4096);
    Put32(tooManyColours, 46, 17); // 4 bits hold 16
    EXPECT_EQ(0, Check(tooManyColours));

    // Width and height at their limits: stride × rows would overflow 64 bits unchecked.
    std::vector<uint8_t> huge = MakeBitmap(1, 1, 32, 100);
    Put32(huge, 18, 0x7FFFFFFF);
    Put32(huge, 22, 0x7FFFFFFF);
    EXPECT_EQ(0, Check(huge));
}

TEST(SkinFile, ColourProfileMustLieInsideTheFile) {
    const uint32_t kEmbedded = 0x4D424544, kLinked = 0x4C494E4B, kSrgb = 0x73524742;
    const struct {
        const char* what;
        uint32_t headerBytes, type, offset, size; // offset from the header's start
        int accepted;
    } cases[] = {
        {"embedded, in the last 64 bytes", 124, kEmbedded, 316, 64, 1},
        {"linked name in the last 64 bytes", 124, kLinked, 316, 64, 1},
        {"embedded, one byte past the end", 124, kEmbedded, 316, 65, 0},
        {"offset far past the end", 124, kEmbedded, 0xFFFFFFF0, 16, 0},
        {"linked, size wraps 32 bits", 124, kLinked, 316, 0xFFFFFFFF, 0},
        {"sRGB has no profile", 124, kSrgb, 0xFFFFFFF0, 16, 1},
        {"108-byte header naming a profile", 108, kEmbedded, 0, 0, 0},
        {"108-byte header in sRGB", 108, kSrgb, 0, 0, 1},
    };
    for (const auto& c : cases) {
        // 14 + header + 8 x 8 at 24 bits + 64 spare bytes: 394 bytes with the 124-byte header.
        std::vector<uint8_t> f = MakeBitmap(8, 8, 24, 64, c.headerBytes);
        Put32(f, 14 + 56, c.type);
        if (c.headerBytes == 124) {
            Put32(f, 14 + 112, c.offset);
            Put32(f, 14 + 116, c.size);
        }
        EXPECT_EQ(c.accepted, Check(f)) << c.what;
    }
}
