#include "SeriesRules.h"

#include "Text16.h"

namespace {

constexpr int32_t kQualityValues[3] = {0, 5, 9};
constexpr int32_t kChannelValues[2] = {1, 2};
constexpr int32_t kSampleRateValues[5] = {8000, 22050, 44100, 48000, 96000};
constexpr int32_t kBitRateFactorValues[3] = {1, 2, 3};

constexpr uint32_t kBytesPerMb = 1u << 20;
constexpr uint32_t kMsPerMinute = 60000;

// Blanks around a number: ASCII ones and the ideographic blank that full-width input types.
int IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u3000';
}

// The digit's value, or -1: ASCII and full-width digits only.
int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'\uFF10' && c <= u'\uFF19')
        return c - u'\uFF10';
    return -1;
}

template <size_t N> int PickValue(const int32_t (&table)[N], int position, int32_t* out) {
    if (position < 0 || static_cast<size_t>(position) >= N)
        return 0;
    *out = table[position];
    return 1;
}

} // namespace

int ParseLimitField(const char16_t* text, uint32_t maxValue, uint32_t* value) {
    while (IsBlank(*text))
        ++text;
    uint64_t number = 0;
    for (; DigitValue(*text) >= 0; ++text) {
        number = number * 10 + DigitValue(*text);
        if (number > maxValue)
            return 0;
    }
    while (IsBlank(*text))
        ++text;
    if (*text != 0)
        return 0;
    *value = static_cast<uint32_t>(number);
    return 1;
}

int SplitBytesFromText(const char16_t* text, uint32_t* bytes) {
    uint32_t mb = 0;
    if (!ParseLimitField(text, kMaxSplitMb, &mb))
        return 0;
    *bytes = mb * kBytesPerMb;
    return 1;
}

int DurationMsFromText(const char16_t* text, uint32_t* ms) {
    uint32_t minutes = 0;
    if (!ParseLimitField(text, kMaxDurationMinutes, &minutes))
        return 0;
    *ms = minutes * kMsPerMinute;
    return 1;
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

uint32_t SeriesClockAtStart(uint32_t nowTick, uint32_t startTick, uint32_t durationMs) {
    if (startTick != 0 && !TimeLimitPassed(nowTick, startTick, durationMs))
        return startTick;
    return nowTick != 0 ? nowTick : 1; // 0 stands for a clock not started
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
