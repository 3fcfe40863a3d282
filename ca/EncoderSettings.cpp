#include "EncoderSettings.h"

#include <cstdlib>

namespace ca {

namespace {
// The frame header's tables: sample rates by version row and index, bit rates by index.
const int32_t kHeaderRates[3][3] = {{11025, 12000, 8000}, {22050, 24000, 16000}, {44100, 48000, 32000}};
const int32_t kMpeg1BitRates[kBitRateIndexes] = {0,   32,  40,  48,  56,  64,  80, 96,
                                                 112, 128, 160, 192, 224, 256, 320};
const int32_t kLsfBitRates[kBitRateIndexes] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr int kMpeg1Row = 2;
} // namespace

bool HeaderRateIndex(int32_t hz, int* row, int* index) {
    for (int r = 0; r < 3; ++r)
        for (int i = 0; i < 3; ++i)
            if (kHeaderRates[r][i] == hz) {
                *row = r;
                *index = i;
                return true;
            }
    return false;
}

const int32_t* BitRateTable(int32_t outputHz) {
    int row, index;
    if (!HeaderRateIndex(outputHz, &row, &index))
        return nullptr;
    return row == kMpeg1Row ? kMpeg1BitRates : kLsfBitRates;
}

// The highest storable rate not above the input: the input itself where MP3 stores it.
int32_t OutputSampleRate(int32_t inputHz) {
    int32_t best = 0;
    for (const auto& row : kHeaderRates)
        for (int32_t r : row)
            if (r <= inputHz && r > best)
                best = r;
    return best;
}

int32_t NearestBitRate(int32_t kbps, int32_t outputHz) {
    const int32_t* table = BitRateTable(outputHz);
    if (!table)
        return 0;
    int32_t best = table[1];
    for (int i = 2; i < kBitRateIndexes; ++i) {
        // Strictly closer only, so that on a tie the lower rate, met first, stays.
        if (std::labs(static_cast<long>(table[i]) - kbps) < std::labs(static_cast<long>(best) - kbps))
            best = table[i];
    }
    return best;
}

int32_t WorstCaseEncodeBytes(int32_t samplesPerChannel) {
    // LAME's own bound: 1.25 bytes a sample plus 7200 for what it holds back.
    return samplesPerChannel + samplesPerChannel / 4 + 1 + kWorstCaseFlushBytes;
}

} // namespace ca
