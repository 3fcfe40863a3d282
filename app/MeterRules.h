// What the level meter shows, without the platform: the bar's fall and the peak-hold mark in audio
// time, the scale's pixels, and the control's text (level and elapsed time in words).
#pragma once
#include <cstddef>
#include <cstdint>

constexpr double kMeterFloorDb = -60; // the left end of the scale; 0 dBFS is the right end
constexpr double kMeterFallDbPerS = 20;
constexpr uint32_t kPeakHoldMs = 1500;
constexpr size_t kMeterTextUnits = 48;

struct SMeterState {
    double barDb;
    double holdDb;
    uint32_t holdMs; // audio time the hold mark has stood
};
// Nothing on the scale yet.
SMeterState MeterAtStart();

// A new reading: peakDb of newMs of audio. The bar jumps up to a peak and falls at 20 dB/s; the hold
// mark keeps the highest peak for 1.5 s. Without new audio nothing moves: a worker held up by the disk
// is no quiet input.
void StepMeter(SMeterState* state, double peakDb, uint32_t newMs);

// Pixels from the scale's left end to db's place on a scale widthPx wide, within 0 to widthPx.
int MeterPixels(double db, int widthPx);

// "-12 dBFS 0:01:23": the bar's level in whole dB, "过载" after it once the input clipped, and the
// elapsed time as h:mm:ss; below the scale the level reads "静音".
void FormatMeterText(double barDb, int clipped, uint32_t elapsedMs, char16_t* out, size_t outUnits);
