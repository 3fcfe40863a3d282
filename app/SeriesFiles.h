// The names of a series' files and how each is made: the chosen name first, then numbered
// follow-on names that never overwrite an earlier series' files, every file call taking the
// extended form of the name. No platform calls here.
#pragma once
#include <cstddef>
#include <cstdint>

#include "LongPath.h"

// Name buffers hold this many UTF-16 units, the terminator included.
constexpr size_t kFileNameUnits = 4096;
// The extended form of a name (what the file calls take) may be this much longer.
constexpr size_t kSystemNameUnits = kFileNameUnits + kExtendedPrefixUnits;

// Follow-on name number index (>= 1) of base: "_index.mp3" replaces the last '.' of the
// file-name part and what follows it, or is appended when that part has none. 0 when the
// name would not fit outUnits.
int FormatFollowOnName(const char16_t* base, int32_t index, char16_t* out, size_t outUnits);

// The disk as the series sees it. Both calls take the extended form of a name; ctx is the caller's.
struct SSeriesDisk {
    int (*exists)(const char16_t* systemName, void* ctx);
    int (*create)(const char16_t* systemName, void* ctx);
    void* ctx;
};

// Makes the series' file number index: fullBase itself for 0, otherwise the first follow-on name
// from index on that does not exist yet, so an earlier series is never overwritten. A file may
// appear under the free name between the check and the creation: up to `tries` numbers are
// created, each the next free one. plain gets the last name tried as the user sees it (fullBase
// when none fits), *used its number. 0 when no name fits or every creation failed.
int MakeSeriesFile(const char16_t* fullBase, int32_t index, const SSeriesDisk& disk, int tries,
                   char16_t* plain, size_t plainUnits, int32_t* used);
