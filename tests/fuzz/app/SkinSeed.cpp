// Writes the program's skin, unscrambled, as a seed for the skin reader's fuzz target.
//   skin_seed <file>
#include <cstdio>

#include "Images.h"

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const std::vector<uint8_t> skin = MakeSkinBitmapFile();
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f)
        return 1;
    const bool ok = std::fwrite(skin.data(), 1, skin.size(), f) == skin.size();
    return std::fclose(f) == 0 && ok ? 0 : 1;
}
