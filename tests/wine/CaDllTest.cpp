// ca.dll as the program loads it: imported by ordinal, bound at load time, encoding under Wine.
#include "EncoderLib.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <vector>

namespace {

std::vector<int16_t> Tone(int rate, int channels, int frames) {
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[static_cast<size_t>(i) * channels + c] =
                static_cast<int16_t>(16000 * std::sin(2 * 3.14159265358979 * 1000 * i / rate));
    return pcm;
}

bool IsFrameHeader(const uint8_t* p) {
    return p[0] == 0xFF && (p[1] & 0xE0) == 0xE0;
}

TEST(CaDll, BoundAtLoadTimeWithOrdinalExportsOnly) {
    HMODULE dll = GetModuleHandleW(L"ca.dll");
    ASSERT_NE(dll, nullptr) << "ca.dll is loaded with the program, not on first use";
    // Ordinals 1 .. 164 as the program imports them; no export has a name.
    const WORD ordinals[] = {1, 4, 6, 22, 24, 41, 75, 139, 148, 149, 155, 156, 164};
    for (WORD o : ordinals)
        EXPECT_NE(GetProcAddress(dll, MAKEINTRESOURCEA(o)), nullptr) << o;
    EXPECT_EQ(GetProcAddress(dll, "EncoderCreate"), nullptr);
    EXPECT_EQ(GetProcAddress(dll, MAKEINTRESOURCEA(2)), nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(&EncoderCreate),
              reinterpret_cast<void*>(GetProcAddress(dll, MAKEINTRESOURCEA(1))));
}

class CaDllEncode : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(CaDllEncode, ProducesMp3Frames) {
    const auto [rate, channels] = GetParam();
    HENCODER h = EncoderCreate();
    ASSERT_NE(h, nullptr);
    EncoderSetChannels(h, channels);
    EncoderSetChannelMode(h, channels == 1 ? 3 : 1);
    EncoderSetSampleRate(h, rate);
    EncoderSetOption(h, 0);
    EncoderSetBitRate(h, rate / 1000 * 2);
    EncoderSetQuality(h, 5);
    ASSERT_GE(EncoderPrepare(h), 0);
    EncoderPostPrepare(h);

    const int frames = 1152 * 40;
    const std::vector<int16_t> pcm = Tone(rate, channels, frames);
    std::vector<uint8_t> out, buf(147456);
    for (int at = 0; at < frames; at += 1152) {
        const int16_t* p = pcm.data() + static_cast<size_t>(at) * channels;
        const int n = channels == 1 ? EncoderEncodeChannels(h, p, p, 1152, buf.data(), 147456)
                                    : EncoderEncodeInterleaved(h, p, 1152, buf.data(), 147456);
        ASSERT_LE(n, 147456);
        if (n > 0)
            out.insert(out.end(), buf.begin(), buf.begin() + n);
    }
    const int n = EncoderFlush(h, buf.data(), 147456);
    if (n > 0)
        out.insert(out.end(), buf.begin(), buf.begin() + n);
    EXPECT_GE(EncoderClose(h), 0);

    ASSERT_GT(out.size(), 1000u);
    EXPECT_TRUE(IsFrameHeader(out.data())) << "starts with a frame, not a tag";
    // Mono output is flagged in the channel-mode bits of the first header.
    EXPECT_EQ((out[3] >> 6) == 3, channels == 1);
}

INSTANTIATE_TEST_SUITE_P(Rates, CaDllEncode,
                         testing::Combine(testing::Values(8000, 44100, 96000), testing::Values(1, 2)));

} // namespace
