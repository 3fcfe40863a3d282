#include "RingMath.h"

uint32_t CaptureBlockBytes(uint32_t blockAlign, uint32_t avgBytesPerSec) {
    const uint64_t frameBytes = uint64_t{blockAlign} * kSamplesPerCall;
    if (frameBytes == 0)
        return 0;
    const uint64_t quarter = avgBytesPerSec / 4;
    const uint64_t blockBytes = quarter - quarter % frameBytes + frameBytes;
    if (blockBytes * kRingBlocks > UINT32_MAX)
        return 0;
    return static_cast<uint32_t>(blockBytes);
}
