// What a recording job derives from its settings, and the fixed tag that ends every file.
#pragma once
#include <array>
#include <stdint.h>

constexpr int32_t kOutCapacityBytes = 147456; // the capacity every encode and flush call is told
// LAME's bound for what one call of 1152 samples may give (1.25 bytes a sample and 7200).
constexpr uint32_t kWorstFrameBytes = 8641;
// The largest MP3 frame (a free-format frame at 640 kbit/s and 32 kHz): the Info frame fits.
constexpr uint32_t kMaxFrameBytes = 2880;
constexpr uint32_t kTagBytes = 128;
// The file is flushed to the disk after at most this much audio: a power cut loses no more.
constexpr uint32_t kFlushEveryMs = 2000;

// The output buffer for a block of framesPerBlock encoder calls: each call is told the full capacity
// after what the calls before it gave, so a whole block's output goes to the file in one write.
constexpr uint32_t OutBufBytes(uint32_t framesPerBlock) {
    return kOutCapacityBytes + framesPerBlock * kWorstFrameBytes;
}

// Encoder bit rate in kbit/s: the sample rate in whole kHz times the factor (44100 Hz x 2 = 88).
int32_t EncoderBitRateKbps(int32_t sampleRateHz, int32_t bitRateFactor);

// The album field of the tag: a web address under a reserved domain, so it points at no one's site.
constexpr char kTagAlbum[] = "kavel.example";
static_assert(sizeof(kTagAlbum) - 1 == 13);

constexpr std::array<uint8_t, kTagBytes> MakeId3v1Tag() {
    constexpr uint32_t albumOffset = 63;
    std::array<uint8_t, kTagBytes> tag{}; // title, artist, year, comment zero; genre 0
    tag[0] = 'T';
    tag[1] = 'A';
    tag[2] = 'G';
    for (uint32_t i = 0; kTagAlbum[i]; ++i)
        tag[albumOffset + i] = static_cast<uint8_t>(kTagAlbum[i]);
    return tag;
}

// The ID3v1 tag that ends every output file; the same for every file.
inline constexpr std::array<uint8_t, kTagBytes> kId3v1Tag = MakeId3v1Tag();
