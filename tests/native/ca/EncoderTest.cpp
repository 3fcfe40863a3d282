// The encoder library over the real LAME, driven through CMp3Encoder as the job drives it: each
// setting of the window decodes back at the rate and bit rate MP3 stores for it, every call given
// just the room it may take; a call with less room, or out of order, is refused and writes nothing.
#include "JobSettings.h"
#include "Mp3Encoder.h"

#include <gtest/gtest.h>
#include <lame/lame.h>

#include <algorithm>
#include <vector>

namespace {

TEST(Encoder, EveryWindowSettingDecodesBackAtTheRateAndBitRateMp3Stores) {
    // Sample rate and bit rate factor as the window has them, then the rate and bit rate stored.
    const int32_t rows[][4] = {
        {8000, 1, 8000, 8},     {8000, 2, 8000, 16},    {8000, 3, 8000, 24},    {22050, 1, 22050, 24},
        {22050, 2, 22050, 40},  {22050, 3, 22050, 64},  {44100, 1, 44100, 40},  {44100, 2, 44100, 80},
        {44100, 3, 44100, 128}, {48000, 1, 48000, 48},  {48000, 2, 48000, 96},  {48000, 3, 48000, 128},
        {96000, 1, 48000, 96},  {96000, 2, 48000, 192}, {96000, 3, 48000, 256},
    };
    auto* refused = new CMp3Encoder;
    EXPECT_EQ(refused->Open(1, 8000, 8, 10), 0) << "a quality the encoder does not have";
    refused->Close();
    for (const auto& [rate, factor, outRate, kbps] : rows) {
        const int32_t channels = 1 + factor % 2;
        auto* encoder = new CMp3Encoder;
        ASSERT_EQ(encoder->Open(channels, rate, EncoderBitRateKbps(rate, factor), 5), 1);
        // One frame, read in place 8 times: 1152 samples may take 1.25 bytes each and 7200 more; a
        // flush takes at most 7200.
        std::vector<int16_t> pcm(1152 * channels, 1000), left(1 << 14), right(1 << 14);
        std::vector<uint8_t> mp3, out(8641, 0xA5);
        const auto untouched = [&] { return std::count(out.begin(), out.end(), 0xA5) == 8641; };
        EXPECT_LT(encoder->EncodeFrame(pcm.data(), out.data(), 8640), 0); // a byte short
        EXPECT_TRUE(untouched()) << "a refused call writes nothing";
        for (int frame = 0; frame <= 8; ++frame) {
            const int32_t bytes = frame < 8 ? encoder->EncodeFrame(pcm.data(), out.data(), 8641)
                                            : encoder->Flush(out.data(), 7200);
            mp3.insert(mp3.end(), out.begin(), out.begin() + std::max(bytes, 0));
        }
        std::fill(out.begin(), out.end(), 0xA5);
        EXPECT_LT(encoder->EncodeFrame(pcm.data(), out.data(), 8641), 0) << "after the flush";
        EXPECT_LT(encoder->Flush(out.data(), 7200), 0);
        EXPECT_TRUE(untouched());
        encoder->Close();
        hip_t decoder = hip_decode_init();
        mp3data_struct info = {};
        int frames = hip_decode_headers(decoder, mp3.data(), mp3.size(), left.data(), right.data(), &info);
        frames += hip_decode_headers(decoder, mp3.data(), 0, &left[frames], &right[frames], &info);
        hip_decode_exit(decoder);
        EXPECT_EQ(std::vector({info.samplerate, info.bitrate, info.stereo}),
                  std::vector({outRate, kbps, channels}))
            << rate << " Hz x" << factor;
        // Encoder delay and padding add one frame's worth; an Info frame would add one more.
        EXPECT_EQ(frames, 8 * 1152 * outRate / rate + 1152);
    }
}

} // namespace
