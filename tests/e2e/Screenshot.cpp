// Screen read-back into memory and a plain 24-bit BMP writer.
#include "Screenshot.h"

#include <cstdio>

bool CShot::Capture(HWND hWnd) {
    RECT r;
    if (!GetWindowRect(hWnd, &r))
        return false;
    POINT origin = {0, 0};
    ClientToScreen(hWnd, &origin);
    m_ClientOrigin = {origin.x - r.left, origin.y - r.top};
    m_nWidth = r.right - r.left;
    m_nHeight = r.bottom - r.top;

    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = m_nWidth;
    bi.bmiHeader.biHeight = -m_nHeight; // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bmp && bits) {
        HGDIOBJ old = SelectObject(mem, bmp);
        ok = BitBlt(mem, 0, 0, m_nWidth, m_nHeight, screen, r.left, r.top, SRCCOPY) != 0;
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        m_Pixels.assign(p, p + static_cast<size_t>(m_nWidth) * m_nHeight);
        for (uint32_t& px : m_Pixels)
            px &= 0xFFFFFF;
        SelectObject(mem, old);
    }
    if (bmp)
        DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

uint32_t CShot::Client(int x, int y) const {
    x += m_ClientOrigin.x;
    y += m_ClientOrigin.y;
    if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight)
        return 0xFFFFFFFF;
    return m_Pixels[static_cast<size_t>(y) * m_nWidth + x];
}

bool CShot::SaveBmp(const std::wstring& path) const {
    const uint32_t stride = (static_cast<uint32_t>(m_nWidth) * 3 + 3) & ~3u;
    const uint32_t imageBytes = stride * m_nHeight;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + imageBytes;
    ih.biSize = sizeof ih;
    ih.biWidth = m_nWidth;
    ih.biHeight = m_nHeight; // bottom-up, the form every viewer reads
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    ih.biCompression = BI_RGB;
    ih.biSizeImage = imageBytes;
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    std::vector<uint8_t> row(stride, 0);
    for (int y = m_nHeight - 1; y >= 0; --y) {
        for (int x = 0; x < m_nWidth; ++x) {
            const uint32_t px = m_Pixels[static_cast<size_t>(y) * m_nWidth + x];
            row[3 * x] = px & 0xFF;
            row[3 * x + 1] = (px >> 8) & 0xFF;
            row[3 * x + 2] = (px >> 16) & 0xFF;
        }
        std::fwrite(row.data(), 1, stride, f);
    }
    return std::fclose(f) == 0;
}
