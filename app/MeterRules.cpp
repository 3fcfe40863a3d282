#include "MeterRules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// ASCII or UTF-16 text after out[*pos], cut at the buffer's end.
template <typename C> void Append(char16_t* out, size_t outUnits, size_t* pos, const C* text) {
    for (; *text && *pos + 1 < outUnits; ++text)
        out[(*pos)++] = static_cast<char16_t>(*text);
    out[*pos] = 0;
}

} // namespace

SMeterState MeterAtStart() {
    const double none = -std::numeric_limits<double>::infinity();
    return {none, none, 0};
}

void StepMeter(SMeterState* state, double peakDb, uint32_t newMs) {
    if (newMs == 0)
        return;
    state->barDb = std::max(peakDb, state->barDb - kMeterFallDbPerS * newMs / 1000);
    state->holdMs += newMs;
    if (peakDb >= state->holdDb || state->holdMs >= kPeakHoldMs) {
        state->holdDb = state->barDb;
        state->holdMs = 0;
    }
}

int MeterPixels(double db, int widthPx) {
    if (!(db > kMeterFloorDb))
        return 0;
    const double share = std::min(1.0, 1 - db / kMeterFloorDb);
    return static_cast<int>(std::lround(share * widthPx));
}

void FormatMeterText(double barDb, int clipped, uint32_t elapsedMs, char16_t* out, size_t outUnits) {
    if (outUnits == 0)
        return;
    size_t pos = 0;
    out[0] = 0;
    char ascii[32];
    // Rounded as shown: -60.4 still reads "-60", -0.3 reads "0" (never "-0").
    if (barDb > kMeterFloorDb - 0.5) {
        std::snprintf(ascii, sizeof ascii, "%ld dBFS ", std::lround(barDb));
        Append(out, outUnits, &pos, ascii);
    } else {
        Append(out, outUnits, &pos, u"静音 ");
    }
    if (clipped)
        Append(out, outUnits, &pos, u"过载 ");
    const uint32_t s = elapsedMs / 1000;
    std::snprintf(ascii, sizeof ascii, "%u:%02u:%02u", s / 3600, s / 60 % 60, s % 60);
    Append(out, outUnits, &pos, ascii);
}
