#include "SkinFile.h"

namespace {

uint32_t Read16(const uint8_t* p) {
    return p[0] | p[1] << 8;
}
uint32_t Read32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Only uncompressed bitmaps: the size of compressed pixel data cannot be checked up front.
constexpr uint32_t kBiRgb = 0;

int IsKnownHeaderSize(uint32_t bytes) {
    return bytes == 40 || bytes == 108 || bytes == 124;
}
int IsKnownBitCount(uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Colour-space types whose profile data the bitmap carries (as a file name when linked).
constexpr uint32_t kProfileLinked = 0x4C494E4B;   // 'LINK'
constexpr uint32_t kProfileEmbedded = 0x4D424544; // 'MBED'
constexpr uint32_t kV5HeaderBytes = 124;

// 1 unless the header names a colour profile that does not lie inside the file. Only the
// 124-byte header has the profile's offset (from the header's start) and size; a 108-byte one
// naming a profile would have them read from beyond its end.
int ProfileInsideFile(const uint8_t* info, uint32_t headerBytes, uint32_t length) {
    if (headerBytes < 108)
        return 1;
    const uint32_t type = Read32(info + 56);
    if (type != kProfileLinked && type != kProfileEmbedded)
        return 1;
    if (headerBytes < kV5HeaderBytes)
        return 0;
    return kSkinInfoOffset + static_cast<uint64_t>(Read32(info + 112)) + Read32(info + 116) <= length;
}

} // namespace

void ScrambleSkin(uint8_t* data, uint32_t length, const uint8_t* key, uint32_t keyLength) {
    if (keyLength == 0)
        return;
    for (uint32_t c = length; c > 0; --c, ++data)
        *data ^= static_cast<uint8_t>(key[c % keyLength] + c);
}

int IsSkinFileSizeAllowed(int64_t bytes) {
    return bytes >= kSkinMinBytes && bytes <= kSkinMaxBytes;
}

int CheckSkinBitmap(const uint8_t* data, uint32_t length, uint32_t* bitsOffset) {
    if (!IsSkinFileSizeAllowed(length) || data[0] != 'B' || data[1] != 'M' || Read32(data + 2) != length)
        return 0;
    const uint8_t* info = data + kSkinInfoOffset;
    const uint64_t headerBytes = Read32(info);
    if (!IsKnownHeaderSize(headerBytes) || kSkinInfoOffset + headerBytes > length)
        return 0;
    const int32_t width = static_cast<int32_t>(Read32(info + 4));
    const int32_t height = static_cast<int32_t>(Read32(info + 8));
    const uint32_t planes = Read16(info + 12);
    const uint32_t bitCount = Read16(info + 14);
    const uint32_t colourCount = Read32(info + 32);
    if (width <= 0 || height == 0 || height == INT32_MIN || planes != 1 || !IsKnownBitCount(bitCount) ||
        Read32(info + 16) != kBiRgb)
        return 0;

    // A palette bitmap has a full table unless it names a smaller count; others may carry one.
    uint64_t colours = colourCount;
    if (bitCount <= 8) {
        const uint32_t fullTable = 1u << bitCount;
        if (colourCount > fullTable)
            return 0;
        if (colourCount == 0)
            colours = fullTable;
    }
    const uint64_t tableEnd = kSkinInfoOffset + headerBytes + colours * 4;
    if (tableEnd > length)
        return 0;

    // 64-bit sums throughout; the stride test first keeps stride × rows below 2^63.
    const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    const uint64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
    if (stride > length)
        return 0;
    const uint64_t pixelBytes = stride * rows;
    if (pixelBytes > length - tableEnd)
        return 0;
    const uint32_t imageBytes = Read32(info + 20);
    if ((imageBytes != 0 && imageBytes != pixelBytes) || !ProfileInsideFile(info, headerBytes, length))
        return 0;

    const uint32_t offset = Read32(data + 10);
    if (offset < kSkinInfoOffset + headerBytes || offset > length || pixelBytes > length - offset)
        return 0;
    *bitsOffset = offset;
    return 1;
}
