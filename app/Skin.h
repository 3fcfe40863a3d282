// The skin record and the drawing objects that the main window and its controls share.
#pragma once
#include <windows.h>

#include <cstdint>

#include "BlockChain.h"

class CSkin {
  public:
    // Reads "Kavel.eb" from the program's folder, unscrambles and checks it. 1 = usable.
    int Load(uint32_t keyLength);
    // Sets the pointers when data holds a bitmap file the pattern brush can read safely.
    int ParseBitmap(uint8_t* data, uint32_t length);

    const BITMAPINFO* m_pInfo = nullptr;
    const BITMAPINFOHEADER* m_pInfoHeader = nullptr;
    const uint8_t* m_pBits = nullptr;
    CBlockChain m_Blocks; // the file image, one block per load
};

extern CSkin g_Skin;

// All null when the skin was not loaded.
extern HBRUSH g_hSkinBrush;
extern HBRUSH g_hHollowBrush;
extern HBRUSH g_hBlackBrush;
extern HFONT g_hFont;
extern HPEN g_hPenNormal;
extern HPEN g_hPenPressed;

// 1 when the skin loaded and the objects were made; without a skin nothing is made.
int CreateDrawingResources();
// Safe to call more than once.
void ReleaseDrawingResources();
