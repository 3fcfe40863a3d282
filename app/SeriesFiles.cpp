#include "SeriesFiles.h"

#include "Text16.h"

namespace {

// The number index's name, fullBase's own for 0, and its extended form.
int SeriesName(const char16_t* fullBase, int32_t index, char16_t* plain, size_t plainUnits,
               char16_t (&system)[kSystemNameUnits]) {
    size_t pos = 0;
    if (plainUnits == 0)
        return 0;
    plain[0] = 0;
    const int made = index == 0 ? Append16(plain, plainUnits, &pos, fullBase)
                                : FormatFollowOnName(fullBase, index, plain, plainUnits);
    return made && ExtendedPath(plain, system, kSystemNameUnits);
}

// The first free number from index on; the chosen name (0) is the one the save dialog asked about.
int FreeName(const char16_t* fullBase, int32_t index, const SSeriesDisk& disk, char16_t* plain,
             size_t plainUnits, char16_t (&system)[kSystemNameUnits], int32_t* used) {
    for (int32_t n = index; n >= 0; ++n) {
        if (!SeriesName(fullBase, n, plain, plainUnits, system))
            return 0;
        if (n == 0 || !disk.exists(system, disk.ctx)) {
            *used = n;
            return 1;
        }
        if (n == INT32_MAX)
            return 0;
    }
    return 0;
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

int MakeSeriesFile(const char16_t* fullBase, int32_t index, const SSeriesDisk& disk, int tries,
                   char16_t* plain, size_t plainUnits, int32_t* used) {
    char16_t system[kSystemNameUnits];
    for (int n = 0; n < tries; ++n) {
        if (!FreeName(fullBase, index, disk, plain, plainUnits, system, used)) {
            size_t pos = 0;
            if (plainUnits > 0)
                Append16(plain, plainUnits, &pos, fullBase); // cut when it does not fit: a box shows it
            return 0;
        }
        if (disk.create(system, disk.ctx))
            return 1;
    }
    return 0;
}
