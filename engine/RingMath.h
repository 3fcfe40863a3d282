// Sizes and cursor steps of the capture ring: plain arithmetic, kept apart from the device code.
#pragma once
#include <stdint.h>

// Blocks of the capture ring: about a quarter second each, so over 30 s of audio at every rate that a
// worker held up by a stalled disk (a network share, a USB stick) can fall behind without a loss.
constexpr uint32_t kRingBlocks = 128;
constexpr uint32_t kDeviceHeaders = 8;     // headers circulating through the device
constexpr uint32_t kSamplesPerCall = 1152; // samples per channel in one encoder call

// Bytes of one capture block: the largest whole number of encoder frames (blockAlign x 1152 bytes)
// that fits a quarter second, plus one frame. 0 when the format gives no usable block: no block
// align, or a ring of kRingBlocks such blocks would not fit 32 bits.
uint32_t CaptureBlockBytes(uint32_t blockAlign, uint32_t avgBytesPerSec);

// The offset one slot on, wrapping at the ring's end. pos is a multiple of slotBytes below ringBytes,
// so the sum cannot overflow.
inline uint32_t NextSlot(uint32_t pos, uint32_t slotBytes, uint32_t ringBytes) {
    return (pos + slotBytes) % ringBytes;
}
