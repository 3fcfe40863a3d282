// Build-time tool: writes the scrambled skin file and the icon file.
//   kavel_images <skin file> <icon file>
#include "Images.h"
#include "SkinFile.h"

#include <cstdio>

namespace {

int WriteFile(const char* path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f)
        return 0;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <skin file> <icon file>\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> skin = MakeSkinBitmapFile();
    ScrambleSkin(skin.data(), static_cast<uint32_t>(skin.size()), kSkinKey, sizeof kSkinKey);
    if (!WriteFile(argv[1], skin) || !WriteFile(argv[2], MakeIconFile())) {
        std::perror("kavel_images");
        return 1;
    }
    return 0;
}
