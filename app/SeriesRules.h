// Rules of a recording series that need no platform: its limits, the status text, the time limit
// across the tick-count wrap, and what the list positions stand for (its files: SeriesFiles.h).
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t kStatusTextUnits = 64;
// The largest limits whose byte and millisecond values fit 32 bits.
constexpr uint32_t kMaxSplitMb = 4095;
constexpr uint32_t kMaxDurationMinutes = 71582;
// No file grows past this, whatever the split size: FAT32 and many exFAT-formatted sticks refuse a
// file of 4 GiB, and the recording would be lost there.
constexpr uint64_t kMaxFileBytes = uint64_t{kMaxSplitMb} << 20;

// A limit field's whole number, read from the field's own UTF-16 text (a conversion to the ANSI code
// page fails where that code page is UTF-8): blanks around it are ignored, ASCII and full-width
// digits count (some input methods type the latter, and pasting gets past ES_NUMBER). Anything else
// (letters, separators, signs) or a number above maxValue is refused: 0, *value untouched. Empty
// or blank is 0, no limit.
int ParseLimitField(const char16_t* text, uint32_t maxValue, uint32_t* value);
// The limits in bytes and milliseconds from the fields' texts; 0 when the text is refused.
int SplitBytesFromText(const char16_t* text, uint32_t* bytes);
int DurationMsFromText(const char16_t* text, uint32_t* ms);

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
// The series' clock for a job started at nowTick (startTick 0: not started yet). A start after the
// limit has passed begins a new limit period: it must not end by itself at the next tick.
uint32_t SeriesClockAtStart(uint32_t nowTick, uint32_t startTick, uint32_t durationMs);
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
