// The skin as the program should paint it: Kavel.eb read, unscrambled with the key "Kavel" and its
// bitmap decoded, so that a screenshot can be compared with it pixel by pixel.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CSkinImage {
  public:
    bool Load(const std::wstring& path); // false for a missing file or a bitmap form not handled here
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    uint32_t At(int x, int y) const; // 0x00RRGGBB, (0,0) top left

  private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<uint32_t> m_Pixels;
};
