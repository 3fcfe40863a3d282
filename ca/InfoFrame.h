// The frame that begins every file the library writes: first a silent frame that holds the place, and
// once the stream is finished the Info frame (Xing fields and LAME extension) written over it, which
// tells players how many frames follow and how many samples of encoder delay and padding to drop, so
// that files play back to back without a gap. No platform or LAME calls here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace ca {

// The stream's own frames: the Info frame has their size and header, so a player that reads no Info
// frame still takes the file for the constant bit rate it is.
struct SStreamShape {
    int32_t outputHz; // a rate MP3 stores
    int32_t kbps;     // a bit rate of that rate's table
    int32_t channels; // 1 (mono) or 2 (joint stereo)
};

// Bytes of one frame of the stream (no padding slot); 0 for a shape MP3 cannot store.
int32_t FrameBytes(const SStreamShape& shape);
// Samples per channel in one frame: 1152, or 576 below 32 kHz.
int32_t FrameSamples(const SStreamShape& shape);

// The place holder: a valid frame of silence that claims no length. FrameBytes(shape) bytes, or 0
// when they do not fit outBytes.
int32_t MakeSilentFrame(const SStreamShape& shape, uint8_t* out, int32_t outBytes);

struct SStreamTotals {
    uint32_t frames;        // frames after the Info frame
    uint32_t streamBytes;   // every byte of the stream, the Info frame included
    int32_t delaySamples;   // encoder delay at the stream's start
    int32_t paddingSamples; // samples after the last real one
    int32_t lowpassHz;
    uint16_t musicCrc; // CRC-16 of every byte after the Info frame
};

// The Info frame for the finished stream, of the same size as the place holder. The Xing fields that
// fit are written (frame count always; byte count, seek table and quality when the frame is large
// enough), then the LAME extension with delay and padding. 0 when it does not fit outBytes or the frame.
int32_t MakeInfoFrame(const SStreamShape& shape, const SStreamTotals& totals, uint8_t* out, int32_t outBytes);

// CRC-16 as the LAME extension uses it (polynomial 0x8005, reflected).
uint16_t Crc16(uint16_t crc, const uint8_t* data, size_t bytes);

} // namespace ca
