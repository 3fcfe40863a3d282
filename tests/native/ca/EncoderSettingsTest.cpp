#include "EncoderSettings.h"

#include <gtest/gtest.h>

TEST(EncoderSettings, OutputRateKeepsStorableRatesAndHalves96k) {
    const struct {
        int in, out;
    } cases[] = {
        {8000, 8000},   {22050, 22050}, {44100, 44100}, {48000, 48000}, {96000, 48000}, {11025, 11025},
        {32000, 32000}, {88200, 48000}, {7999, 0},      {0, 0},         {-44100, 0},    {45000, 44100},
    };
    for (auto c : cases)
        EXPECT_EQ(ca::OutputSampleRate(c.in), c.out) << c.in;
}

TEST(EncoderSettings, BitRateMapsToNearestTieToLower) {
    // Every bit rate the window can ask for: (rate / 1000) * factor.
    const struct {
        int kbps, outHz, expect;
    } cases[] = {
        {8, 8000, 8},
        {16, 8000, 16},
        {24, 8000, 24},
        {22, 22050, 24},
        {44, 22050, 40},
        {66, 22050, 64},
        {44, 44100, 40},
        {88, 44100, 80},
        {132, 44100, 128},
        {48, 48000, 48},
        {96, 48000, 96},
        {144, 48000, 128},
        {96, 48000, 96},
        {192, 48000, 192},
        {288, 48000, 256},
        // Outside the tables: clamped to their ends.
        {0, 44100, 32},
        {1000, 44100, 320},
        {1000, 22050, 160},
        {-5, 8000, 8},
        {128, 7000, 0},
    };
    for (auto c : cases)
        EXPECT_EQ(ca::NearestBitRate(c.kbps, c.outHz), c.expect) << c.kbps << " kbit/s at " << c.outHz;
}
