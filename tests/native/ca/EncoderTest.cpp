// The encoder library over the real LAME: what each setting of the window gives, encoded through
// CMp3Encoder as the job does and decoded back by LAME; and the calls and settings it refuses.
#include "JobSettings.h"
#include "Mp3Encoder.h"

#include <gtest/gtest.h>
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int32_t kCapacity = 147456, kFrames = 12;

TEST(Encoder, EveryWindowSettingDecodesBackAtItsRateAndBitRate) {
    const struct {
        int32_t rate, factor, outRate, kbps;
    } rows[] = {
        {8000, 1, 8000, 8},     {8000, 2, 8000, 16},    {8000, 3, 8000, 24},    {22050, 1, 22050, 24},
        {22050, 2, 22050, 40},  {22050, 3, 22050, 64},  {44100, 1, 44100, 40},  {44100, 2, 44100, 80},
        {44100, 3, 44100, 128}, {48000, 1, 48000, 48},  {48000, 2, 48000, 96},  {48000, 3, 48000, 128},
        {96000, 1, 48000, 96},  {96000, 2, 48000, 192}, {96000, 3, 48000, 256},
    };
    for (auto row : rows)
        for (int32_t channels : {1, 2}) {
            std::string mp3[10];
            for (int32_t quality : {0, 5, 9}) {
                SCOPED_TRACE(testing::Message()
                             << row.rate << " Hz x" << row.factor << ", " << channels << " ch, q" << quality);
                std::vector<int16_t> pcm(kFrames * 1152 * channels);
                for (size_t i = 0; i < pcm.size(); ++i) // 500 Hz at half scale
                    pcm[i] = int16_t(16384 * std::sin(i / channels * 2 * M_PI * 500 / row.rate));
                auto* encoder = new CMp3Encoder;
                const int32_t kbps = EncoderBitRateKbps(row.rate, row.factor);
                ASSERT_EQ(encoder->Open(channels, row.rate, kbps, quality), 1);
                std::vector<uint8_t> out(kCapacity);
                for (int frame = 0; frame <= kFrames; ++frame) { // then the flush
                    const int32_t bytes =
                        frame < kFrames
                            ? encoder->EncodeFrame(&pcm[frame * 1152 * channels], out.data(), kCapacity)
                            : encoder->Flush(out.data(), kCapacity);
                    mp3[quality].append(out.begin(), out.begin() + std::max(bytes, 0));
                }
                encoder->Close();
                EXPECT_EQ(mp3[quality].find("Info"), std::string::npos) << "a plain stream";

                hip_t decoder = hip_decode_init();
                std::vector<short> left(1 << 16), right(1 << 16);
                mp3data_struct info = {};
                auto* data = reinterpret_cast<uint8_t*>(mp3[quality].data());
                int decoded =
                    hip_decode_headers(decoder, data, mp3[quality].size(), left.data(), right.data(), &info);
                decoded +=
                    hip_decode_headers(decoder, data, 0, &left[decoded], &right[decoded], &info); // the rest
                hip_decode_exit(decoder);
                EXPECT_EQ(info.samplerate, row.outRate);
                EXPECT_EQ(info.bitrate, row.kbps);
                EXPECT_EQ(info.stereo, channels);
                const int expected = kFrames * 1152 * row.outRate / row.rate;
                EXPECT_GE(decoded, expected);
                EXPECT_LE(decoded, expected + 2304) << "encoder delay and padding only";
            }
            EXPECT_NE(mp3[0], mp3[9]) << "the quality is applied";
        }
}

TEST(Encoder, RefusesSettingsItCannotUse) {
    const struct {
        int32_t (*set)(HENCODER, int32_t);
        int32_t value;
    } rows[] = {
        {EncoderSetSampleRate, 7000}, {EncoderSetChannels, 3}, {EncoderSetQuality, 10},
        {EncoderSetQuality, -1},      {EncoderSetOption, 1},   {EncoderSetChannelMode, 2},
    };
    for (auto row : rows) {
        HENCODER encoder = EncoderCreate();
        EXPECT_EQ(row.set(encoder, row.value), 0);
        EXPECT_LT(EncoderPrepare(encoder), 0) << row.value;
        EncoderClose(encoder);
    }
}

TEST(Encoder, RefusesCallsOutOfOrderOrWithTooLittleRoomAndWritesNothing) {
    enum Phase { Null, Created, Prepared, Flushed, PreparedMono };
    enum Op { Channels, Interleaved, Flush };
    const struct {
        Phase phase;
        Op op;
        int32_t samples, capacity;
        bool done;
    } rows[] = {
        {Null, Channels, 1152, kCapacity, false},
        {Null, Interleaved, 1152, kCapacity, false},
        {Null, Flush, 0, kCapacity, false},
        {Created, Interleaved, 1152, kCapacity, false},
        {Created, Flush, 0, kCapacity, false},
        {Prepared, Interleaved, 1152, 8641, true},
        {Prepared, Interleaved, 1152, 8639, false},
        {Prepared, Channels, 1152, 8639, false},
        {Prepared, Interleaved, -1, kCapacity, false},
        {Prepared, Interleaved, INT32_MAX, kCapacity, false},
        {Prepared, Flush, 0, 7200, true},
        {Prepared, Flush, 0, 7199, false},
        {Flushed, Interleaved, 1152, kCapacity, false},
        {Flushed, Flush, 0, kCapacity, false},
        {PreparedMono, Interleaved, 1152, kCapacity, false},
    };
    const std::vector<int16_t> pcm(2 * 1152, 1000);
    for (auto row : rows) {
        SCOPED_TRACE(testing::Message() << row.phase << " " << row.op << " " << row.capacity);
        std::vector<uint8_t> out(kCapacity, 0xA5);
        HENCODER encoder = row.phase == Null ? nullptr : EncoderCreate();
        EncoderSetChannels(encoder, row.phase == PreparedMono ? 1 : 2);
        EncoderSetChannelMode(encoder, row.phase == PreparedMono ? 3 : 1);
        if (row.phase >= Prepared)
            EncoderPrepare(encoder);
        if (row.phase == Flushed)
            EncoderFlush(encoder, std::vector<uint8_t>(kCapacity).data(), kCapacity);
        const int32_t result =
            row.op == Flush ? EncoderFlush(encoder, out.data(), row.capacity)
            : row.op == Channels
                ? EncoderEncodeChannels(encoder, pcm.data(), pcm.data(), row.samples, out.data(),
                                        row.capacity)
                : EncoderEncodeInterleaved(encoder, pcm.data(), row.samples, out.data(), row.capacity);
        EXPECT_EQ(result >= 0, row.done);
        EXPECT_TRUE(row.done || std::count(out.begin(), out.end(), 0xA5) == kCapacity) << "nothing written";
        EXPECT_EQ(EncoderClose(encoder), encoder ? 0 : -1);
    }
    for (auto set : {EncoderSetChannels, EncoderSetChannelMode, EncoderSetSampleRate, EncoderSetOption,
                     EncoderSetBitRate, EncoderSetQuality})
        EXPECT_LT(set(nullptr, 1), 0);
    EXPECT_LT(EncoderPrepare(nullptr), 0);
    EXPECT_LT(EncoderPostPrepare(nullptr), 0);
}

} // namespace
