// The encoder library as the recording job drives it: every setting the window offers must
// prepare, encode and decode back to the same tone, with no tag of the library's own.
#include "EncoderLib.h"
#include "EncoderSettings.h"
#include "Mp3Probe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int kFrame = 1152;
constexpr int kCapacity = 147456;

struct Setting {
    int sampleRate, channels, factor, quality;
};

HENCODER OpenEncoder(const Setting& s) {
    HENCODER h = EncoderCreate();
    if (!h)
        return nullptr;
    EncoderSetChannels(h, s.channels);
    EncoderSetChannelMode(h, s.channels == 1 ? 3 : 1);
    EncoderSetSampleRate(h, s.sampleRate);
    EncoderSetOption(h, 0);
    EncoderSetBitRate(h, s.sampleRate / 1000 * s.factor);
    EncoderSetQuality(h, s.quality);
    if (EncoderPrepare(h) < 0) {
        EncoderClose(h);
        return nullptr;
    }
    EncoderPostPrepare(h);
    return h;
}

// Encodes pcm the way the job's worker does: 1152 samples per channel per call, then a flush.
std::vector<uint8_t> EncodeAll(HENCODER h, int channels, const std::vector<int16_t>& pcm) {
    std::vector<uint8_t> out, buf(kCapacity);
    const size_t frames = pcm.size() / channels;
    for (size_t at = 0; at + kFrame <= frames; at += kFrame) {
        const int16_t* p = pcm.data() + at * channels;
        const int n = channels == 1 ? EncoderEncodeChannels(h, p, p, kFrame, buf.data(), kCapacity)
                                    : EncoderEncodeInterleaved(h, p, kFrame, buf.data(), kCapacity);
        EXPECT_LE(n, kCapacity);
        if (n > 0)
            out.insert(out.end(), buf.begin(), buf.begin() + n);
    }
    const int n = EncoderFlush(h, buf.data(), kCapacity);
    if (n > 0)
        out.insert(out.end(), buf.begin(), buf.begin() + n);
    return out;
}

bool Contains(const std::vector<uint8_t>& data, size_t limit, const char* text) {
    const size_t len = std::strlen(text);
    const size_t end = std::min(limit, data.size());
    for (size_t i = 0; i + len <= end; ++i)
        if (std::memcmp(&data[i], text, len) == 0)
            return true;
    return false;
}

class EveryWindowSetting : public testing::TestWithParam<std::tuple<int, int, int, int>> {};

TEST_P(EveryWindowSetting, EncodesTwoSecondsOfToneThatDecodesBack) {
    const auto [rate, channels, factor, quality] = GetParam();
    const Setting s{rate, channels, factor, quality};
    HENCODER h = OpenEncoder(s);
    ASSERT_NE(h, nullptr);
    const size_t inFrames = static_cast<size_t>(rate) * 2 / kFrame * kFrame;
    const std::vector<uint8_t> mp3 = EncodeAll(h, channels, Sine(1000, rate, channels, inFrames));
    EncoderClose(h);

    ASSERT_GT(mp3.size(), 128u);
    EXPECT_FALSE(Contains(mp3, 3, "ID3"));
    EXPECT_FALSE(std::memcmp(&mp3[mp3.size() - 128], "TAG", 3) == 0);
    EXPECT_FALSE(Contains(mp3, 2048, "Xing"));
    EXPECT_FALSE(Contains(mp3, 2048, "Info"));

    const DecodedAudio a = DecodeMp3(mp3);
    ASSERT_TRUE(a.ok) << a.errors;
    const int outRate = ca::OutputSampleRate(rate);
    EXPECT_EQ(a.channels, channels);
    EXPECT_EQ(a.sampleRate, outRate);
    const double expectFrames = static_cast<double>(inFrames) * outRate / rate;
    const double slack = 2304 + (outRate != rate ? 16 : 0);
    EXPECT_GE(static_cast<double>(a.Frames()), expectFrames);
    EXPECT_LE(static_cast<double>(a.Frames()), expectFrames + slack);
    EXPECT_NEAR(DominantFrequency(a), 1000, 20);
}

INSTANTIATE_TEST_SUITE_P(Window, EveryWindowSetting,
                         testing::Combine(testing::Values(8000, 22050, 44100, 48000, 96000),
                                          testing::Values(1, 2), testing::Values(1, 2, 3),
                                          testing::Values(0, 5, 9)),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) + "Hz_" +
                                    std::to_string(std::get<1>(info.param)) + "ch_x" +
                                    std::to_string(std::get<2>(info.param)) + "_q" +
                                    std::to_string(std::get<3>(info.param));
                         });

TEST(EncoderBadInput, NullHandleFailsEveryOperation) {
    uint8_t out[16];
    int16_t pcm[16] = {};
    EXPECT_LT(EncoderSetChannels(nullptr, 2), 0);
    EXPECT_LT(EncoderSetChannelMode(nullptr, 1), 0);
    EXPECT_LT(EncoderSetSampleRate(nullptr, 44100), 0);
    EXPECT_LT(EncoderSetOption(nullptr, 0), 0);
    EXPECT_LT(EncoderSetBitRate(nullptr, 128), 0);
    EXPECT_LT(EncoderSetQuality(nullptr, 5), 0);
    EXPECT_LT(EncoderPrepare(nullptr), 0);
    EXPECT_LT(EncoderPostPrepare(nullptr), 0);
    EXPECT_LE(EncoderEncodeChannels(nullptr, pcm, pcm, 8, out, sizeof out), 0);
    EXPECT_LE(EncoderEncodeInterleaved(nullptr, pcm, 8, out, sizeof out), 0);
    EXPECT_LE(EncoderFlush(nullptr, out, sizeof out), 0);
    EXPECT_LT(EncoderClose(nullptr), 0);
}

TEST(EncoderBadInput, SmallOutputBufferIsRefusedAndNotOverrun) {
    HENCODER h = OpenEncoder({44100, 2, 2, 5});
    ASSERT_NE(h, nullptr);
    const std::vector<int16_t> pcm = Sine(1000, 44100, 2, kFrame * 8);
    // A guard zone after the stated capacity must stay untouched.
    std::vector<uint8_t> buf(600 + 4096, 0xA5);
    for (int i = 0; i < 8; ++i)
        EXPECT_LE(EncoderEncodeInterleaved(h, pcm.data() + i * kFrame * 2, kFrame, buf.data(), 600), 0);
    EXPECT_LE(EncoderFlush(h, buf.data(), 600), 0);
    for (size_t i = 600; i < buf.size(); ++i)
        ASSERT_EQ(buf[i], 0xA5) << i;
    EncoderClose(h);
}

TEST(EncoderBadInput, RefusesSettingsMp3CannotCarryAndCallsOutOfOrder) {
    const Setting refused[] = {{7000, 2, 1, 5}, {44100, 3, 2, 5}, {44100, 2, 2, 12}, {0, 1, 1, 5}};
    for (const Setting& s : refused)
        EXPECT_EQ(OpenEncoder(s), nullptr) << s.sampleRate << " " << s.channels << " " << s.quality;

    HENCODER h = EncoderCreate();
    ASSERT_NE(h, nullptr);
    uint8_t buf[kCapacity];
    int16_t pcm[kFrame * 2] = {};
    // Not prepared yet: nothing may be encoded.
    EXPECT_LE(EncoderEncodeInterleaved(h, pcm, kFrame, buf, kCapacity), 0);
    EXPECT_GE(EncoderPrepare(h), 0);
    EXPECT_LT(EncoderSetBitRate(h, 64), 0) << "settings are fixed once prepared";
    EXPECT_LT(EncoderPrepare(h), 0);
    EXPECT_GE(EncoderFlush(h, buf, kCapacity), 0);
    EXPECT_LE(EncoderEncodeInterleaved(h, pcm, kFrame, buf, kCapacity), 0) << "no encode after flush";
    EXPECT_LE(EncoderFlush(h, buf, kCapacity), 0);
    EncoderClose(h);
}

} // namespace
