// The skin file's rules: its byte scrambling, and the checks a bitmap file passes before its
// packed bitmap is handed to the pattern-brush creation. No platform calls here.
#pragma once
#include <cstdint>

// The skin file's scrambling key, the same for the program and the tool that makes the file.
constexpr uint8_t kSkinKey[5] = {'K', 'a', 'v', 'e', 'l'};
// Shorter skin files are refused before they are read.
constexpr uint32_t kSkinMinBytes = 59;
// Larger files are refused before anything is allocated for them; the skin is a few hundred KiB.
constexpr uint32_t kSkinMaxBytes = 64u << 20;
// The packed bitmap (information header, colour table, pixel bits) follows the file header.
constexpr uint32_t kSkinInfoOffset = 14;

// Scrambling and unscrambling are the same step. The value for each byte depends on the
// file's total length, so a file must be handled whole.
void ScrambleSkin(uint8_t* data, uint32_t length, const uint8_t* key, uint32_t keyLength);

// 1 when a skin file of this many bytes may be read at all.
int IsSkinFileSizeAllowed(int64_t bytes);

// 1 when data holds an uncompressed bitmap file of exactly length bytes whose information
// header, colour table, pixel bits and colour profile all lie inside it, and whose image-size
// field (when not 0) matches its rows; *bitsOffset is then the file header's bit offset.
int CheckSkinBitmap(const uint8_t* data, uint32_t length, uint32_t* bitsOffset);
