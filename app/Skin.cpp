// Reading the skin file and making and releasing the shared drawing objects.
#include "Skin.h"

#include "FileHandle.h"
#include "LongPath.h"
#include "SkinFile.h"

// Constructed, and its release registered, before the recording mutex of ProcessState.cpp
// exists: at exit the mutex is closed first and the skin's memory freed last.
__attribute__((init_priority(101))) CSkin g_Skin;

HBRUSH g_hSkinBrush = nullptr;
HBRUSH g_hHollowBrush = nullptr;
HBRUSH g_hBlackBrush = nullptr;
HFONT g_hFont = nullptr;
HPEN g_hPenNormal = nullptr;
HPEN g_hPenPressed = nullptr;

namespace {

template <typename T> void DeleteGdiObject(T& handle) {
    if (handle) {
        DeleteObject(handle);
        handle = nullptr;
    }
}

// The skin lies beside the program: a shortcut's "Start in", a command prompt or Win+R with a full
// path gives another current folder.
int SkinPath(wchar_t (&path)[kLongestPathUnits]) {
    static wchar_t program[kLongestPathUnits]; // UI thread only
    // A path that fills the buffer was cut (and on Windows XP not terminated).
    const DWORD units = GetModuleFileNameW(nullptr, program, kLongestPathUnits);
    if (units == 0 || units >= kLongestPathUnits)
        return 0;
    return FileBesideProgram(reinterpret_cast<const char16_t*>(program), u"Kavel.eb",
                             reinterpret_cast<char16_t*>(path), kLongestPathUnits);
}

} // namespace

int CSkin::Load(uint32_t keyLength) {
    static wchar_t path[kLongestPathUnits];
    if (keyLength == 0 || keyLength > sizeof kSkinKey || !SkinPath(path))
        return 0;
    CFileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || !IsSkinFileSizeAllowed(size.QuadPart))
        return 0;
    const uint32_t length = static_cast<uint32_t>(size.QuadPart);
    auto* data = static_cast<uint8_t*>(m_Blocks.Alloc(length));
    if (!data)
        return 0;
    DWORD read = 0;
    if (!ReadFile(file.Get(), data, length, &read, nullptr) || read != length)
        return 0;
    ScrambleSkin(data, length, kSkinKey, keyLength);
    return ParseBitmap(data, length);
}

int CSkin::ParseBitmap(uint8_t* data, uint32_t length) {
    uint32_t bitsOffset = 0;
    if (!CheckSkinBitmap(data, length, &bitsOffset))
        return 0;
    m_pInfo = reinterpret_cast<const BITMAPINFO*>(data + kSkinInfoOffset);
    m_pInfoHeader = &m_pInfo->bmiHeader;
    m_pBits = data + bitsOffset;
    return 1;
}

int CreateDrawingResources() {
    if (!g_Skin.Load(sizeof kSkinKey))
        return 0;
    g_hSkinBrush = CreateDIBPatternBrushPt(g_Skin.m_pInfo, DIB_RGB_COLORS);
    // A skin the brush cannot be made from counts as no skin: the window gets no objects at all.
    if (!g_hSkinBrush) {
        ReleaseDrawingResources();
        return 0;
    }
    g_hHollowBrush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    g_hBlackBrush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    g_hFont = CreateFontW(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
    g_hPenNormal = CreatePen(PS_SOLID, 1, RGB(0, 192, 0));
    g_hPenPressed = CreatePen(PS_SOLID, 1, RGB(192, 255, 192));
    return 1;
}

void ReleaseDrawingResources() {
    DeleteGdiObject(g_hSkinBrush);
    DeleteGdiObject(g_hFont);
    DeleteGdiObject(g_hPenNormal);
    DeleteGdiObject(g_hPenPressed);
    g_Skin.m_pInfo = nullptr;
    g_Skin.m_pInfoHeader = nullptr;
    g_Skin.m_pBits = nullptr;
    g_Skin.m_Blocks.FreeAll();
}
