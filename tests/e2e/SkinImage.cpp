#include "SkinImage.h"

#include "E2eSupport.h"

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

} // namespace

bool CSkinImage::Load(const std::wstring& path) {
    std::vector<uint8_t> b = ReadAll(path);
    const size_t n = b.size();
    if (n < 54)
        return false;
    // Counter c runs from the length down to 1 alongside the bytes; the key byte is K[c mod 5].
    const char key[] = "Kavel";
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = static_cast<uint32_t>(n - i);
        b[i] ^= static_cast<uint8_t>(key[c % 5] + c);
    }
    if (b[0] != 'B' || b[1] != 'M' || Le32(b, 2) != n)
        return false;
    const uint32_t bitsAt = Le32(b, 10);
    const uint32_t headerBytes = Le32(b, 14);
    const int32_t width = static_cast<int32_t>(Le32(b, 18));
    const int32_t height = static_cast<int32_t>(Le32(b, 22));
    const uint32_t bitCount = b[28] | (b[29] << 8);
    const uint32_t compression = Le32(b, 30);
    if (compression != 0 || width <= 0 || height == 0 || width > 8192 || height > 8192 || height < -8192)
        return false;
    if (bitCount != 24 && bitCount != 32 && bitCount != 8)
        return false;
    const uint32_t rows = height < 0 ? -height : height;
    const uint32_t stride = (static_cast<uint32_t>(width) * bitCount / 8 + 3) & ~3u;
    if (static_cast<uint64_t>(bitsAt) + static_cast<uint64_t>(stride) * rows > n)
        return false;
    const size_t paletteAt = 14 + headerBytes;
    m_nWidth = width;
    m_nHeight = static_cast<int>(rows);
    m_Pixels.assign(static_cast<size_t>(width) * rows, 0);
    for (uint32_t y = 0; y < rows; ++y) {
        const uint32_t srcRow = height > 0 ? rows - 1 - y : y;
        const uint8_t* row = &b[bitsAt + static_cast<size_t>(srcRow) * stride];
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p;
            if (bitCount == 8) {
                const size_t entry = paletteAt + 4u * row[x];
                if (entry + 3 > n)
                    return false;
                p = &b[entry];
            } else {
                p = row + static_cast<size_t>(x) * (bitCount / 8);
            }
            m_Pixels[static_cast<size_t>(y) * width + x] = (p[2] << 16) | (p[1] << 8) | p[0];
        }
    }
    return true;
}

uint32_t CSkinImage::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight)
        return 0xFFFFFFFF;
    return m_Pixels[static_cast<size_t>(y) * m_nWidth + x];
}
