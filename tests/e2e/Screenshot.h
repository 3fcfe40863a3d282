// Screenshots of a window as the screen shows it, for the checks of the skin and the button frames
// and for people to look at afterwards.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CShot {
  public:
    int m_nWidth = 0;
    int m_nHeight = 0;
    POINT m_ClientOrigin = {};      // client (0,0) inside the shot
    std::vector<uint32_t> m_Pixels; // 0x00RRGGBB, top row first

    // The window's whole rectangle, read back from the screen.
    bool Capture(HWND hWnd);
    bool SaveBmp(const std::wstring& path) const;
    // Pixel at client coordinates; 0xFFFFFFFF outside the shot.
    uint32_t Client(int x, int y) const;
};

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return (r << 16) | (g << 8) | b;
}
