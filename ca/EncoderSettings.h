// What the library turns the caller's settings into: MP3 stores only some sample rates and a
// fixed table of bit rates per MPEG version.
#pragma once
#include <stdint.h>

namespace ca {

// Where a rate stands in the frame header: its version row (0 MPEG-2.5, 1 MPEG-2, 2 MPEG-1) and its
// index in that row; false for a rate MP3 cannot store.
bool HeaderRateIndex(int32_t hz, int* row, int* index);
// The bit rates in the order of the header's index for that rate's version (index 0, free format,
// unused; 1 to 14 ascending); null for a rate MP3 cannot store.
const int32_t* BitRateTable(int32_t outputHz);
constexpr int kBitRateIndexes = 15;

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
