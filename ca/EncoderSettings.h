// What the library turns the caller's settings into: MP3 stores only some sample rates and a
// fixed table of bit rates per MPEG version.
#pragma once
#include <stdint.h>

namespace ca {

// Output sample rate for an input rate: the input itself where MP3 can store it, otherwise the
// nearest storable rate below it (96000 Hz becomes 48000 Hz); 0 for rates no MP3 can carry.
int32_t OutputSampleRate(int32_t inputHz);

// The storable bit rate nearest to kbps for that output rate, a tie going to the lower one;
// 0 when the output rate is not storable.
int32_t NearestBitRate(int32_t kbps, int32_t outputHz);

// Worst-case MP3 bytes that one encode call of n samples per channel, or a flush, may produce.
int32_t WorstCaseEncodeBytes(int32_t samplesPerChannel);
constexpr int32_t kWorstCaseFlushBytes = 7200;

} // namespace ca
