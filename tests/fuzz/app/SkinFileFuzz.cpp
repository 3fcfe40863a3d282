// Feeds arbitrary bytes to the skin reader as an unscrambled skin file. Besides the sanitizers it
// checks, from the header fields alone, that an accepted bitmap's pixel bits lie inside the file.
#include "SkinFile.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t bits = 0;
    if (size > kSkinMaxBytes || !CheckSkinBitmap(data, static_cast<uint32_t>(size), &bits))
        return 0;
    int32_t field[3]; // header size, width, height
    std::memcpy(field, data + 14, sizeof field);
    const uint64_t bitCount = data[28] | data[29] << 8, rows = std::llabs(field[2]);
    const uint64_t stride = (static_cast<uint64_t>(field[1]) * bitCount + 31) / 32 * 4;
    if (field[1] <= 0 || bits < 14u + field[0] || bits > size || stride * rows > size - bits)
        abort();
    return 0;
}
