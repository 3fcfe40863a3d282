// The level of known signals and the silence rule, fed with explicit lengths of audio.
#include "InputLevel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr uint32_t kRate = 48000, kChunk = 4800; // 100 ms of stereo a call

// 100 ms of a sine (amplitude 0: zeros), then sample `at` set to `value` unless that is 0.
std::vector<int16_t> Chunk(double hz, double amplitude, size_t at = 0, int16_t value = 0) {
    std::vector<int16_t> pcm(2 * kChunk);
    for (uint32_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * (i / 2) / kRate)));
    pcm[at] = value ? value : pcm[at];
    return pcm;
}

} // namespace

TEST(InputLevel, KnownSignalsReadTheirLevel) {
    const struct {
        const char* name;
        std::vector<int16_t> pcm;
        double db;
        int clipped;
    } cases[] = {{"full-scale sine", Chunk(1000, 32767), 0, 1},
                 {"-20 dBFS sine", Chunk(997, 3276.8), -20, 0},
                 {"zeros", Chunk(0, 0), -INFINITY, 0},
                 {"one full-scale sample", Chunk(1000, 100, 777, -32768), 0, 1}};
    for (const auto& c : cases) {
        CInputLevel level;
        level.Init(kRate);
        level.AddFrame(c.pcm.data(), kChunk, 2);
        const SLevelReading first = level.Read(), again = level.Read();
        const double db = PeakDbfs(first.peak);
        EXPECT_TRUE(db == c.db || std::abs(db - c.db) <= 0.5) << c.name << ": " << db;
        EXPECT_EQ(first.newMs, 100u) << c.name;
        // Each read takes the peak and the audio since the one before; the clip stays.
        EXPECT_EQ(again.peak + again.newMs, 0u) << c.name;
        EXPECT_EQ(first.clipped + again.clipped, 2 * c.clipped) << c.name;
    }
}

TEST(InputLevel, SilenceWarnsAfterTenSecondsOfAudioAndTellsZerosApart) {
    // Quiet: +-32, just below -60 dBFS, as a working input in a quiet room gives at the least.
    const std::vector<int16_t> zero = Chunk(0, 0), quiet = Chunk(12000, 32), one = Chunk(0, 0, 9599, 1),
                               sound = Chunk(0, 0, 9599, kSoundPeak);
    const struct {
        const char* name;
        std::vector<std::pair<int, const std::vector<int16_t>*>> fed; // how many chunks of 100 ms of each
        uint32_t state;
    } cases[] = {
        {"9.9 s of zeros", {{99, &zero}}, 0},
        {"10 s of zeros", {{100, &zero}}, kSilenceQuiet | kSilenceZero},
        {"10 s below -60 dBFS", {{100, &quiet}}, kSilenceQuiet},
        {"one sample of 1 in 10 s", {{99, &zero}, {1, &one}}, kSilenceQuiet},
        {"sound after the warning", {{150, &zero}, {1, &sound}}, 0},
        {"a pause of 5 s", {{50, &quiet}, {1, &sound}, {50, &zero}}, 0},
        {"10 s after the last sound",
         {{1, &sound}, {20, &quiet}, {100, &zero}},
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
