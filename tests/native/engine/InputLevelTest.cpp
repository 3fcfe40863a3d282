// The level of known signals and the silence rule, fed with explicit lengths of audio.
#include "InputLevel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
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
    // The signal, its level, whether it clips.
    const std::tuple<const char*, std::vector<int16_t>, double, int> cases[] = {
        {"full-scale sine", Chunk(1000, 32767), 0, 1},
        {"-20 dBFS sine", Chunk(997, 3276.8), -20, 0},
        {"zeros", Chunk(0, 0), -INFINITY, 0},
        {"one full-scale sample", Chunk(1000, 100, 777, -32768), 0, 1}};
    const std::vector<int16_t> quieter = Chunk(0, 0, 9599, 100);
    for (const auto& [name, pcm, level, clipped] : cases) {
        CInputLevel input;
        input.Init(kRate);
        input.AddFrame(pcm.data(), kChunk, 2);
        const SLevelReading first = input.Read();
        input.AddFrame(quieter.data(), kChunk, 2);
        const SLevelReading again = input.Read();
        const double db = PeakDbfs(first.peak);
        EXPECT_TRUE(db == level || std::abs(db - level) <= 0.5) << name << ": " << db;
        // Each read takes the peak and the audio since the one before; the clip stays through quieter
        // audio.
        EXPECT_EQ(std::tuple(first.newMs, again.peak, again.newMs, first.clipped + again.clipped),
                  std::tuple(100u, 100u, 100u, 2 * clipped))
            << name;
    }
}

TEST(InputLevel, SilenceWarnsAfterTenSecondsOfAudioAndTellsZerosApart) {
    // Quiet: +-32, just below -60 dBFS, as a working input in a quiet room gives at the least; 33 is
    // at -59.9 dBFS, sound.
    const std::vector<int16_t> zero = Chunk(0, 0), quiet = Chunk(12000, 32), one = Chunk(0, 0, 9599, 1),
                               sound = Chunk(0, 0, 9599, 33);
    // The case, how many chunks of 100 ms of each signal, the state.
    const std::tuple<const char*, std::vector<std::pair<int, const std::vector<int16_t>*>>, uint32_t>
        cases[] = {{"9.9 s of zeros", {{99, &zero}}, 0},
                   {"10 s of zeros", {{100, &zero}}, kSilenceQuiet | kSilenceZero},
                   {"10 s below -60 dBFS", {{100, &quiet}}, kSilenceQuiet},
                   {"one sample of 1 in 10 s", {{99, &zero}, {1, &one}}, kSilenceQuiet},
                   {"sound after the warning", {{150, &zero}, {1, &sound}}, 0},
                   {"a pause of 5 s", {{50, &quiet}, {1, &sound}, {50, &zero}}, 0},
                   {"10 s after the last sound",
                    {{1, &sound}, {20, &quiet}, {100, &zero}},
                    kSilenceQuiet | kSilenceZero}};
    for (const auto& [name, fed, state] : cases) {
        CInputLevel level;
        level.Init(kRate);
        for (const auto& [chunks, pcm] : fed)
            for (int i = 0; i < chunks; ++i)
                level.AddFrame(pcm->data(), kChunk, 2);
        EXPECT_EQ(SilenceState(level.Read()), state) << name;
    }
}
