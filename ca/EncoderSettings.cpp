#include "EncoderSettings.h"

#include <cstdlib>
#include <iterator>

namespace ca {

namespace {
const int32_t kMpeg1Rates[] = {32000, 44100, 48000};
const int32_t kMpeg2Rates[] = {8000, 11025, 12000, 16000, 22050, 24000};
const int32_t kMpeg1BitRates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
const int32_t kMpeg2BitRates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

template <size_t N> bool Contains(const int32_t (&table)[N], int32_t value) {
    for (int32_t v : table)
        if (v == value)
            return true;
    return false;
}
} // namespace

int32_t OutputSampleRate(int32_t inputHz) {
    if (Contains(kMpeg1Rates, inputHz) || Contains(kMpeg2Rates, inputHz))
        return inputHz;
    if (inputHz > 48000)
        return 48000;
    int32_t best = 0;
    for (int32_t r : kMpeg2Rates)
        if (r <= inputHz)
            best = r;
    for (int32_t r : kMpeg1Rates)
        if (r <= inputHz)
            best = r;
    return best;
}

int32_t NearestBitRate(int32_t kbps, int32_t outputHz) {
    const int32_t* begin;
    const int32_t* end;
    if (Contains(kMpeg1Rates, outputHz)) {
        begin = std::begin(kMpeg1BitRates);
        end = std::end(kMpeg1BitRates);
    } else if (Contains(kMpeg2Rates, outputHz)) {
        begin = std::begin(kMpeg2BitRates);
        end = std::end(kMpeg2BitRates);
    } else {
        return 0;
    }
    int32_t best = *begin;
    for (const int32_t* p = begin; p != end; ++p) {
        // Strictly closer only, so that on a tie the lower rate, met first, stays.
        if (std::labs(static_cast<long>(*p) - kbps) < std::labs(static_cast<long>(best) - kbps))
            best = *p;
    }
    return best;
}

int32_t WorstCaseEncodeBytes(int32_t samplesPerChannel) {
    // LAME's own bound: 1.25 bytes a sample plus 7200 for what it holds back.
    return samplesPerChannel + samplesPerChannel / 4 + 1 + kWorstCaseFlushBytes;
}

} // namespace ca
