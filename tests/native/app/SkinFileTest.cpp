// Skin scrambling and the bitmap checks that guard the pattern brush from reading past the file.
#include "SkinFile.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes& f, size_t at, uint64_t v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i)
        f[at + i] = static_cast<uint8_t>(v >> 8 * i);
}

// A bottom-up uncompressed bitmap file with a full colour table for palette depths and extra bytes
// after the pixel bits (fewer when negative).
Bytes MakeBitmap(int32_t width, int32_t height, uint32_t bitCount, int extra = 0, uint32_t header = 40) {
    const uint32_t stride = (width * bitCount + 31) / 32 * 4,
                   bits = 14 + header + (bitCount <= 8 ? 4 << bitCount : 0);
    Bytes f(bits + stride * height + extra, 0);
    Put(f, 2, f.size()), Put(f, 10, bits), Put(f, 14, header), Put(f, 18, width), Put(f, 22, height);
    Put(f, 0, 'B' | 'M' << 8, 2), Put(f, 26, 1, 2), Put(f, 28, bitCount, 2);
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
    // Byte 0 takes key[1000 mod 5] + 1000 (mod 256), byte 1 key[999 mod 5] + 999, the last key[1] + 1.
    EXPECT_EQ(Bytes({f[0], f[1], f[999]}), Bytes({'K' - 24, 'l' - 25, 'a' + 1}));
    const int64_t sizes[][2] = {{58, 0}, {59, 1}, {64 << 20, 1}, {(64 << 20) + 1, 0}, {(4ll << 30) + 59, 0}};
    for (const auto& s : sizes)
        EXPECT_EQ(s[1], IsSkinFileSizeAllowed(s[0])) << s[0];
}

TEST(SkinFile, AcceptsWellFormedBitmapsOnly) {
    EXPECT_EQ(0, Check(MakeBitmap(1, 1, 24))) << "58 bytes: a bitmap, too short for a skin";
    // Bit count, extra bytes after the pixel bits (fewer when negative), then one field changed: its
    // offset, the value and its size in bytes; last whether the file is accepted. The bitmap is 9 x 3,
    // its 24-bit rows padded to 28 bytes: 84 bytes of pixels.
    // clang-format off
    const int64_t rows[][6] = {
        // Every bit count as it is (an image size of 0 is allowed), and top-down.
        {1, 0, 34, 0, 4, 1}, {4, 0, 34, 0, 4, 1}, {8, 0, 34, 0, 4, 1}, {16, 0, 34, 0, 4, 1},
        {24, 0, 34, 0, 4, 1}, {32, 0, 34, 0, 4, 1}, {24, 0, 22, 0u - 3, 4, 1},
        // The image size exact, one short, one over; the pixel bits one byte short.
        {24, 0, 34, 84, 4, 1}, {24, 0, 34, 83, 4, 0}, {24, 0, 34, 85, 4, 0}, {24, -1, 34, 0, 4, 0},
        // One broken field each: signature, header size, width, height, planes, bit count,
        // compression, bit offset, a height and a width past the end, colour count; the file size one
        // off; 16 colours where 4 bits hold 16, and 17.
        {24, 0, 0, 'B' | 'N' << 8, 2, 0}, {24, 0, 14, 12, 4, 0}, {24, 0, 14, 41, 4, 0}, {24, 0, 18, 0, 4, 0},
        {24, 0, 18, ~0u, 4, 0}, {24, 0, 22, 0, 4, 0}, {24, 0, 22, 0x80000000, 4, 0}, {24, 0, 26, 2, 2, 0},
        {24, 0, 28, 2, 2, 0}, {24, 0, 30, 1, 4, 0}, {24, 0, 30, 3, 4, 0}, {24, 0, 10, 0x7FFFFFFF, 4, 0},
        {24, 0, 10, 20, 4, 0}, {24, 0, 22, 4, 4, 0}, {24, 0, 18, 0x7FFFFFFF, 4, 0}, {24, 0, 46, ~0u, 4, 0},
        {24, 0, 2, 137, 4, 0}, {24, 0, 2, 139, 4, 0}, {4, 4, 46, 16, 4, 1}, {4, 4, 46, 17, 4, 0},
        // A colour table partly outside the file while the pixels are said to follow the header; width
        // and height so large that stride x rows would overflow unchecked.
        {8, -1000, 10, 54, 4, 0}, {32, 0, 18, 0x7FFFFFFF7FFFFFFF, 8, 0}};
    // clang-format on
    for (const auto& [bitCount, extra, at, value, bytes, accepted] : rows) {
        Bytes f = MakeBitmap(9, 3, bitCount, extra);
        Put(f, at, value, bytes);
        EXPECT_EQ(accepted, Check(f)) << bitCount << " " << at << " " << value;
    }
}

TEST(SkinFile, ColourProfileMustLieInsideTheFile) {
    const uint32_t kEmbedded = 0x4D424544, kLinked = 0x4C494E4B, kSrgb = 0x73524742;
    // Header size, profile type, offset from the header's start, size, accepted.
    const uint32_t cases[][5] = {{124, kEmbedded, 316, 64, 1}, {124, kLinked, 316, 64, 1},
                                 {124, kEmbedded, 316, 65, 0}, {124, kEmbedded, 0xFFFFFFF0, 16, 0},
                                 {124, kLinked, 316, ~0u, 0},  {124, kSrgb, 0xFFFFFFF0, 16, 1},
                                 {108, kEmbedded, 0, 0, 0},    {108, kSrgb, 0, 0, 1}};
    for (const auto& [header, type, offset, size, accepted] : cases) {
        Bytes f = MakeBitmap(8, 8, 24, 64, header); // 394 bytes with the 124-byte header
        // Offset and size lie in the pixel bits after a 108-byte header, which they leave at 0.
        Put(f, 14 + 56, type), Put(f, 14 + 112, offset), Put(f, 14 + 116, size);
        EXPECT_EQ(accepted, Check(f)) << header << " " << type << " " << size;
    }
}
