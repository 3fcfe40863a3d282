// Rules of a recording series that need no platform: names of its files, its limits, the
// status text, the time limit across the tick-count wrap, and what the list positions stand for.
#pragma once
#include <cstddef>
#include <cstdint>

// Name buffers hold this many UTF-16 units, the terminator included.
constexpr size_t kFileNameUnits = 4096;
constexpr size_t kStatusTextUnits = 64;
// The largest limits whose byte and millisecond values fit 32 bits.
constexpr int64_t kMaxSplitMb = 4095;
constexpr int64_t kMaxDurationMinutes = 71582;
// No file grows past this, whatever the split size: FAT32 and many exFAT-formatted sticks refuse a
// file of 4 GiB, and the recording would be lost there.
constexpr uint64_t kMaxFileBytes = uint64_t{kMaxSplitMb} << 20;

// Whether a file of this name exists; ctx is the caller's.
using FileExistsFn = int (*)(const char16_t* name, void* ctx);

// Follow-on name number index (>= 1) of base: "_index.mp3" replaces the last '.' of the
// file-name part and what follows it, or is appended when that part has none. 0 when the
// name would not fit outUnits.
int FormatFollowOnName(const char16_t* base, int32_t index, char16_t* out, size_t outUnits);

// Name of the series' file number index: the base itself for 0, otherwise the first follow-on
// name from index on that does not exist yet, so an earlier series is never overwritten.
// *usedIndex gets the number taken. 0 when no name fits.
int MakeSeriesFileName(const char16_t* base, int32_t index, FileExistsFn exists, void* ctx, char16_t* out,
                       size_t outUnits, int32_t* usedIndex);

// Base-10 number as strtol reads it (leading blanks, optional sign, ASCII digits; 0 without digits),
// saturating far beyond any limit instead of overflowing. Read from the field's own UTF-16 text: a
// conversion to the ANSI code page fails where that code page is UTF-8.
int64_t ParseDecimal(const char16_t* text);
// Limits from the fields' texts; negative counts as 0 (no limit), too large as the largest.
uint32_t SplitBytesFromText(const char16_t* text);
uint32_t DurationMsFromText(const char16_t* text);

// What the status field says after the size, in this order.
enum : uint32_t {
    kStatusDiskRefuses = 1, // the disk refuses the recording's data
    kStatusNoInput = 2,     // no sound comes in
};
// "%u(MB) / %u(B)", whole megabytes first, then the warnings that hold: the disk's, audio lost to a
// full capture ring ("丢失 3.2 秒", in tenths, at least 0.1 for any loss), then no input.
void FormatStatusText(uint64_t writtenBytes, uint32_t warnings, uint32_t lostMs, char16_t* out,
                      size_t outUnits);

// Tick counts wrap after 49.7 days; their difference modulo 2^32 stays right across one wrap.
int TimeLimitPassed(uint32_t nowTick, uint32_t startTick, uint32_t durationMs);
// Whether the current file is done: at the split size, or at kMaxFileBytes when there is none.
int SplitDue(uint64_t writtenBytes, uint32_t splitBytes);

struct SJobSettings {
    uint32_t deviceIndex;
    int32_t quality;
    int32_t channels;
    int32_t sampleRate;
    int32_t bitRateFactor;
};

// Settings from the selected list positions; 0 when a position lies outside its list.
int JobSettingsFromPositions(int devicePos, int qualityPos, int channelsPos, int sampleRatePos,
                             int bitRatePos, SJobSettings* out);
