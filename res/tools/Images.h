// The program's pictures, drawn from code so the repository holds no binary images: the skin
// bitmap behind the main window and the images of icon group 128.
#pragma once
#include <cstdint>
#include <vector>

constexpr int32_t kSkinWidth = 640;
constexpr int32_t kSkinHeight = 480;

// A plain 640x480 bitmap file at 24 bits per pixel, before scrambling.
std::vector<uint8_t> MakeSkinBitmapFile();
// An icon file with 48x48, 32x32 and 16x16 images at 24 bits per pixel.
std::vector<uint8_t> MakeIconFile();
