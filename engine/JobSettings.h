// What a recording job derives from its settings, and the fixed tag that ends every file.
#pragma once
#include <array>
#include <stdint.h>

constexpr uint32_t kOutBufBytes = 159264;     // the encoder output buffer as allocated
constexpr int32_t kOutCapacityBytes = 147456; // the capacity every encode and flush call is told
constexpr uint32_t kTagBytes = 128;

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
