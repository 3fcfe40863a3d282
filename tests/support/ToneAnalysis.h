// Test support shared by the native and the Windows tests: what tone a signal carries.
#pragma once
#include <cstddef>
#include <cstdint>

// Strongest frequency between loHz and hiHz: a Goertzel scan in 2 Hz steps of the first channel
// over a quarter second from the middle of the signal; 0 when it is shorter than that.
double DominantFrequency(const int16_t* interleaved, size_t frames, int channels, int sampleRate,
                         double loHz = 100, double hiHz = 4000);
