// Feeds arbitrary bytes to the skin reader as an unscrambled skin file. Besides the sanitizers
// it checks, from the header fields on their own, that an accepted bitmap's header and pixel
// bits lie inside the file.
#include <cstdint>
#include <cstdlib>

#include "SkinFile.h"

namespace {

uint32_t Read32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t bits = 0;
    if (size > kSkinMaxBytes || !CheckSkinBitmap(data, static_cast<uint32_t>(size), &bits))
        return 0;
    const uint64_t headerEnd = kSkinInfoOffset + static_cast<uint64_t>(Read32(data + 14));
    const int64_t width = static_cast<int32_t>(Read32(data + 18));
    const int64_t height = static_cast<int32_t>(Read32(data + 22));
    const uint64_t bitCount = data[28] | data[29] << 8;
    const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
    const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);
    if (width <= 0 || headerEnd > size || bits < headerEnd || stride * rows > size - bits)
        abort();
    return 0;
}
