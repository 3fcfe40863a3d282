#include "SeriesRules.h"

#include "Text16.h"

namespace {

constexpr int32_t kQualityValues[3] = {0, 5, 9};
constexpr int32_t kChannelValues[2] = {1, 2};
constexpr int32_t kSampleRateValues[5] = {8000, 22050, 44100, 48000, 96000};
constexpr int32_t kBitRateFactorValues[3] = {1, 2, 3};

constexpr uint32_t kBytesPerMb = 1u << 20;
constexpr uint32_t kMsPerMinute = 60000;

int IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

uint32_t ClampedProduct(const char16_t* text, int64_t maxValue, uint32_t unit) {
    int64_t value = ParseDecimal(text);
    if (value < 0)
        value = 0;
    if (value > maxValue)
        value = maxValue;
    return static_cast<uint32_t>(value) * unit;
}

template <size_t N> int PickValue(const int32_t (&table)[N], int position, int32_t* out) {
    if (position < 0 || static_cast<size_t>(position) >= N)
        return 0;
    *out = table[position];
    return 1;
}

} // namespace

int FormatFollowOnName(const char16_t* base, int32_t index, char16_t* out, size_t outUnits) {
    const size_t length = Length16(base);
    size_t nameStart = 0;
    for (size_t i = 0; i < length; ++i)
        if (base[i] == u'\\' || base[i] == u'/')
            nameStart = i + 1;
    size_t cut = length;
    for (size_t i = nameStart; i < length; ++i)
        if (base[i] == u'.')
            cut = i;
    if (index < 1 || cut >= outUnits)
        return 0;
    for (size_t i = 0; i < cut; ++i)
        out[i] = base[i];
    out[cut] = 0;
    size_t pos = cut;
    return Append16(out, outUnits, &pos, u"_") && AppendDecimal16(out, outUnits, &pos, index) &&
           Append16(out, outUnits, &pos, u".mp3");
}

int MakeSeriesFileName(const char16_t* base, int32_t index, FileExistsFn exists, void* ctx, char16_t* out,
                       size_t outUnits, int32_t* usedIndex) {
    if (index < 0 || outUnits == 0)
        return 0;
    if (index == 0) {
        // The save dialog already asked before replacing the chosen file.
        size_t pos = 0;
        out[0] = 0;
        if (!Append16(out, outUnits, &pos, base))
            return 0;
        *usedIndex = 0;
        return 1;
    }
    for (int32_t n = index;; ++n) {
        if (!FormatFollowOnName(base, n, out, outUnits))
            return 0;
        if (!exists || !exists(out, ctx)) {
            *usedIndex = n;
            return 1;
        }
        if (n == INT32_MAX)
            return 0;
    }
}

int64_t ParseDecimal(const char16_t* text) {
    // Far above every limit, far below overflow.
    constexpr int64_t kSaturation = int64_t{1} << 40;
    while (IsBlank(*text))
        ++text;
    const bool negative = *text == u'-';
    if (*text == u'-' || *text == u'+')
        ++text;
    int64_t value = 0;
    for (; *text >= u'0' && *text <= u'9'; ++text)
        if (value < kSaturation)
            value = value * 10 + (*text - u'0');
    return negative ? -value : value;
}

uint32_t SplitBytesFromText(const char16_t* text) {
    return ClampedProduct(text, kMaxSplitMb, kBytesPerMb);
}

uint32_t DurationMsFromText(const char16_t* text) {
    return ClampedProduct(text, kMaxDurationMinutes, kMsPerMinute);
}

void FormatStatusText(uint64_t writtenBytes, uint32_t warnings, uint32_t lostMs, char16_t* out,
                      size_t outUnits) {
    if (outUnits == 0)
        return;
    size_t pos = 0;
    out[0] = 0;
    if (!AppendDecimal16(out, outUnits, &pos, writtenBytes >> 20) ||
        !Append16(out, outUnits, &pos, u"(MB) / ") || !AppendDecimal16(out, outUnits, &pos, writtenBytes) ||
        !Append16(out, outUnits, &pos, u"(B)"))
        return;
    if (warnings & kStatusDiskRefuses)
        Append16(out, outUnits, &pos, u" 磁盘拒绝写入");
    if (lostMs != 0) {
        const uint32_t tenths = lostMs < 50 ? 1 : (lostMs + 50) / 100;
        if (Append16(out, outUnits, &pos, u" 丢失 ") && AppendDecimal16(out, outUnits, &pos, tenths / 10) &&
            Append16(out, outUnits, &pos, u".") && AppendDecimal16(out, outUnits, &pos, tenths % 10))
            Append16(out, outUnits, &pos, u" 秒");
    }
    if (warnings & kStatusNoInput)
        Append16(out, outUnits, &pos, u" 无声音输入");
}

int TimeLimitPassed(uint32_t nowTick, uint32_t startTick, uint32_t durationMs) {
    return durationMs != 0 && static_cast<uint32_t>(nowTick - startTick) > durationMs;
}

int SplitDue(uint64_t writtenBytes, uint32_t splitBytes) {
    return writtenBytes >= (splitBytes != 0 ? splitBytes : kMaxFileBytes);
}

int JobSettingsFromPositions(int devicePos, int qualityPos, int channelsPos, int sampleRatePos,
                             int bitRatePos, SJobSettings* out) {
    if (devicePos < 0)
        return 0;
    out->deviceIndex = static_cast<uint32_t>(devicePos);
    return PickValue(kQualityValues, qualityPos, &out->quality) &&
           PickValue(kChannelValues, channelsPos, &out->channels) &&
           PickValue(kSampleRateValues, sampleRatePos, &out->sampleRate) &&
           PickValue(kBitRateFactorValues, bitRatePos, &out->bitRateFactor);
}
