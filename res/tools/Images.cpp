#include "Images.h"

#include <cmath>

namespace {

struct SRgb {
    uint8_t r, g, b;
};

// Top-down picture; the files store rows bottom-up.
struct CPicture {
    int32_t m_nWidth, m_nHeight;
    std::vector<SRgb> m_Pixels;
    std::vector<bool> m_Opaque;

    CPicture(int32_t width, int32_t height)
        : m_nWidth(width), m_nHeight(height), m_Pixels(width * height), m_Opaque(width * height, true) {}
    void Set(int32_t x, int32_t y, SRgb c) {
        if (x >= 0 && y >= 0 && x < m_nWidth && y < m_nHeight)
            m_Pixels[y * m_nWidth + x] = c;
    }
    void Fill(int32_t x0, int32_t y0, int32_t x1, int32_t y1, SRgb c) {
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x)
                Set(x, y, c);
    }
};

SRgb Mix(SRgb a, SRgb b, double t) {
    auto lerp = [t](uint8_t p, uint8_t q) { return static_cast<uint8_t>(std::lround(p + (q - p) * t)); };
    return {lerp(a.r, b.r), lerp(a.g, b.g), lerp(a.b, b.b)};
}

void Put16(std::vector<uint8_t>& f, uint32_t v) {
    f.push_back(v & 0xFF);
    f.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& f, uint32_t v) {
    Put16(f, v & 0xFFFF);
    Put16(f, v >> 16);
}

uint32_t Stride24(int32_t width) {
    return (width * 3 + 3) & ~3u;
}

void PutInfoHeader(std::vector<uint8_t>& f, int32_t width, int32_t height, uint32_t imageBytes) {
    Put32(f, 40);
    Put32(f, width);
    Put32(f, height);
    Put16(f, 1);
    Put16(f, 24);
    Put32(f, 0); // uncompressed
    Put32(f, imageBytes);
    Put32(f, 2835); // 72 dpi
    Put32(f, 2835);
    Put32(f, 0);
    Put32(f, 0);
}

void PutPixels(std::vector<uint8_t>& f, const CPicture& pic) {
    for (int32_t y = pic.m_nHeight - 1; y >= 0; --y) {
        for (int32_t x = 0; x < pic.m_nWidth; ++x) {
            const SRgb c = pic.m_Pixels[y * pic.m_nWidth + x];
            f.push_back(c.b);
            f.push_back(c.g);
            f.push_back(c.r);
        }
        f.resize(f.size() + Stride24(pic.m_nWidth) - pic.m_nWidth * 3, 0);
    }
}

// 5x7 letters of the word mark, one row per byte, high bit on the left.
constexpr uint8_t kGlyphs[5][7] = {
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}, // K
    {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}, // A
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}, // V
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}, // E
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}, // L
};

void DrawWordMark(CPicture& pic, int32_t left, int32_t top, int32_t scale, SRgb face, SRgb shadow) {
    for (int pass = 0; pass < 2; ++pass) {
        const int32_t offset = pass == 0 ? 2 : 0;
        for (int g = 0; g < 5; ++g)
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (kGlyphs[g][row] & (0x10 >> col)) {
                        const int32_t x = left + (g * 6 + col) * scale + offset;
                        const int32_t y = top + row * scale + offset;
                        pic.Fill(x, y, x + scale - 1, y + scale - 1, pass == 0 ? shadow : face);
                    }
    }
}

// Level bars of a made-up recording across the header band.
void DrawLevelBars(CPicture& pic, int32_t x0, int32_t x1, int32_t centreY, int32_t maxHalf) {
    const SRgb dim{0, 70, 84}, bright{0, 170, 190};
    for (int32_t x = x0; x < x1; x += 4) {
        const double t = x * 0.021;
        const double level =
            std::fabs(std::sin(t * 3.1) * 0.6 + std::sin(t * 7.7) * 0.3 + std::sin(t * 0.9) * 0.1);
        const int32_t half = 2 + static_cast<int32_t>(level * maxHalf);
        for (int32_t dy = -half; dy <= half; ++dy)
            pic.Fill(x, centreY + dy, x + 3, centreY + dy + 1,
                     Mix(bright, dim, std::fabs(dy) / (maxHalf + 2.0)));
    }
}

CPicture DrawSkin() {
    CPicture pic(kSkinWidth, kSkinHeight);
    const SRgb top{10, 22, 38}, bottom{2, 6, 12};
    for (int32_t y = 0; y < kSkinHeight; ++y) {
        SRgb c = Mix(top, bottom, static_cast<double>(y) / (kSkinHeight - 1));
        if (y % 3 == 0) // faint scan lines give the dark face some grain
            c = Mix(c, {0, 0, 0}, 0.25);
        pic.Fill(0, y, kSkinWidth, y + 1, c);
    }
    // Header band with the word mark and level bars; the controls begin at y = 104.
    for (int32_t y = 0; y < 88; ++y)
        pic.Fill(0, y, kSkinWidth, y + 1, Mix({14, 34, 58}, {6, 16, 28}, y / 87.0));
    DrawWordMark(pic, 40, 22, 6, {0, 224, 240}, {0, 60, 72});
    DrawLevelBars(pic, 240, 608, 44, 30);
    // Green rule under the header, fading out at both ends like the buttons' frames.
    for (int32_t x = 0; x < kSkinWidth; ++x) {
        const double edge = std::fmin(1.0, std::fmin(x, kSkinWidth - 1 - x) / 120.0);
        pic.Set(x, 92, Mix({2, 6, 12}, {0, 192, 0}, edge));
        pic.Set(x, 93, Mix({2, 6, 12}, {0, 64, 0}, edge));
    }
    // Panel behind the controls, a shade lighter, framed in dark green.
    const SRgb frame{0, 72, 0};
    for (int32_t y = 98; y < 390; ++y)
        for (int32_t x = 28; x < 620; ++x) {
            const SRgb c = pic.m_Pixels[y * kSkinWidth + x];
            pic.Set(x, y, Mix(c, {16, 36, 56}, 0.35));
        }
    pic.Fill(28, 98, 620, 99, frame);
    pic.Fill(28, 389, 620, 390, frame);
    pic.Fill(28, 98, 29, 390, frame);
    pic.Fill(619, 98, 620, 390, frame);
    // Dot grid in the footer.
    for (int32_t y = 404; y < kSkinHeight; y += 12)
        for (int32_t x = 40; x < 608; x += 12)
            pic.Set(x, y, {0, 48, 40});
    return pic;
}

// A record button: a red dot in a cyan ring on a dark disc; outside the disc is transparent.
CPicture DrawIcon(int32_t size) {
    CPicture pic(size, size);
    const double centre = (size - 1) / 2.0, outer = size / 2.0, ring = outer - std::fmax(1.0, size / 10.0),
                 dot = outer * 0.5;
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            const double d = std::hypot(x - centre, y - centre);
            SRgb c{0, 0, 0};
            if (d > outer)
                pic.m_Opaque[y * size + x] = false;
            else if (d > ring)
                c = {0, 220, 232};
            else if (d > dot)
                c = {12, 28, 50};
            else
                c = Mix({255, 70, 60}, {200, 20, 20}, d / dot);
            pic.Set(x, y, c);
        }
    return pic;
}

} // namespace

std::vector<uint8_t> MakeSkinBitmapFile() {
    const CPicture pic = DrawSkin();
    const uint32_t imageBytes = Stride24(kSkinWidth) * kSkinHeight;
    std::vector<uint8_t> f;
    f.push_back('B');
    f.push_back('M');
    Put32(f, 14 + 40 + imageBytes);
    Put32(f, 0);
    Put32(f, 14 + 40);
    PutInfoHeader(f, kSkinWidth, kSkinHeight, imageBytes);
    PutPixels(f, pic);
    return f;
}

std::vector<uint8_t> MakeIconFile() {
    const int32_t sizes[3] = {48, 32, 16};
    std::vector<uint8_t> images[3];
    for (int i = 0; i < 3; ++i) {
        const CPicture pic = DrawIcon(sizes[i]);
        const uint32_t maskStride = (sizes[i] + 31) / 32 * 4;
        std::vector<uint8_t>& f = images[i];
        // An icon image's header counts the colour and mask rows together: twice the height.
        PutInfoHeader(f, sizes[i], sizes[i] * 2, (Stride24(sizes[i]) + maskStride) * sizes[i]);
        PutPixels(f, pic);
        for (int32_t y = sizes[i] - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskStride, 0);
            for (int32_t x = 0; x < sizes[i]; ++x)
                if (!pic.m_Opaque[y * sizes[i] + x])
                    row[x / 8] |= 0x80 >> (x % 8);
            f.insert(f.end(), row.begin(), row.end());
        }
    }
    std::vector<uint8_t> f;
    Put16(f, 0);
    Put16(f, 1); // icon
    Put16(f, 3);
    uint32_t offset = 6 + 3 * 16;
    for (int i = 0; i < 3; ++i) {
        f.push_back(static_cast<uint8_t>(sizes[i]));
        f.push_back(static_cast<uint8_t>(sizes[i]));
        f.push_back(0); // no palette
        f.push_back(0);
        Put16(f, 1);
        Put16(f, 24);
        Put32(f, images[i].size());
        Put32(f, offset);
        offset += images[i].size();
    }
    for (const auto& image : images)
        f.insert(f.end(), image.begin(), image.end());
    return f;
}
