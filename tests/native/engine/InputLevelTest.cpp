// The level of known signals and the silence rule, fed with explicit lengths of audio.
#include "InputLevel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr uint32_t kRate = 48000, kChunk = 4800; // 100 ms of stereo a call

std::vector<int16_t> Sine(double hz, double amplitude) {
    std::vector<int16_t> pcm(2 * kChunk);
    for (uint32_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * (i / 2) / kRate)));
    return pcm;
}

// 100 ms of 0 with one sample of value, at the end of the right channel.
std::vector<int16_t> Zeros(int16_t last = 0) {
    std::vector<int16_t> pcm(2 * kChunk);
    pcm.back() = last;
    return pcm;
}

} // namespace

TEST(InputLevel, KnownSignalsReadTheirLevel) {
    std::vector<int16_t> quietWithClip = Sine(1000, 100);
    quietWithClip[777] = -32768;
    const double silence = -INFINITY;
    const struct {
        const char* name;
        std::vector<int16_t> pcm;
        double db;
        int clipped;
    } cases[] = {{"full-scale sine", Sine(1000, 32767), 0, 1},
                 {"-20 dBFS sine", Sine(997, 3276.8), -20, 0},
                 {"zeros", Zeros(), silence, 0},
                 {"one full-scale sample", quietWithClip, 0, 1}};
    for (const auto& c : cases) {
        CInputLevel level;
        level.Init(kRate);
        level.AddFrame(c.pcm.data(), kChunk, 2);
        const SLevelReading reading = level.Read();
        const double db = PeakDbfs(reading.peak);
        EXPECT_TRUE(db == c.db || std::abs(db - c.db) <= 0.5) << c.name << ": " << db;
        EXPECT_EQ(reading.clipped, c.clipped) << c.name;
        EXPECT_EQ(reading.newMs, 100u) << c.name;
        // Each read takes the peak and the audio since the one before; the clip stays.
        const SLevelReading again = level.Read();
        EXPECT_EQ(again.peak + again.newMs, 0u) << c.name;
        EXPECT_EQ(again.clipped, c.clipped) << c.name;
    }
}

TEST(InputLevel, SilenceWarnsAfterTenSecondsOfAudioAndTellsZerosApart) {
    const std::vector<int16_t> zero = Zeros(), one = Zeros(1), sound = Zeros(kSoundPeak);
    // Just below -60 dBFS: what a quiet but working input gives.
    std::vector<int16_t> dither(2 * kChunk, 32);
    for (size_t i = 0; i < dither.size(); i += 2)
        dither[i] = -32;
    const struct {
        const char* name;
        std::vector<std::pair<int, const std::vector<int16_t>*>> fed; // chunks of 100 ms
        uint32_t state;
    } cases[] = {
        {"9.9 s of zeros", {{99, &zero}}, 0},
        {"10 s of zeros", {{100, &zero}}, kSilenceQuiet | kSilenceZero},
        {"10 s below -60 dBFS", {{100, &dither}}, kSilenceQuiet},
        {"one sample of 1 in 10 s", {{99, &zero}, {1, &one}}, kSilenceQuiet},
        {"sound after the warning", {{150, &zero}, {1, &sound}}, 0},
        {"a pause of 5 s", {{50, &dither}, {1, &sound}, {50, &zero}}, 0},
        {"10 s after the last sound",
         {{1, &sound}, {20, &dither}, {100, &zero}},
         kSilenceQuiet | kSilenceZero},
    };
    for (const auto& c : cases) {
        CInputLevel level;
        level.Init(kRate);
        for (const auto& [chunks, pcm] : c.fed)
            for (int i = 0; i < chunks; ++i)
                level.AddFrame(pcm->data(), kChunk, 2);
        EXPECT_EQ(SilenceState(level.Read()), c.state) << c.name;
    }
}
