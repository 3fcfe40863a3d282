// The recording job with the real encoder library over the fake device: a tone goes in, an MP3
// that decodes back to it comes out; many jobs in a row leave nothing behind.
#include "EngineTestSupport.h"
#include "JobCenter.h"
#include "JobSettings.h"
#include "Mp3Probe.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class JobLameTest : public testing::Test {
  protected:
    void SetUp() override {
        fakewin::ResetWave();
        fakewin::ResetKernel();
        m_Path = TempPath("lame.mp3");
    }
    void TearDown() override {
        fakewin::ResetWave();
        EXPECT_EQ(fakewin::GetWaveStats().openDevices, 0u);
        EXPECT_EQ(fakewin::OpenHandles(), 0u);
        std::remove(m_Path.c_str());
    }
    std::string m_Path;
};

bool EndsWithTag(const std::vector<uint8_t>& file) {
    return file.size() >= 128 && std::equal(kId3v1Tag.begin(), kId3v1Tag.end(), file.end() - 128);
}

TEST_F(JobLameTest, ToneThroughRingAndEncoderDecodesBack) {
    const int rate = 44100, channels = 2, blocks = 16;
    const std::vector<int16_t> tone = Sine(1000, rate, channels, rate); // a whole number of cycles
    fakewin::WaveScript script;
    script.pcm = tone.data();
    script.pcmSamples = tone.size();
    fakewin::SetWaveScript(script);
    CJobCenter* job = CJobCenter::Create(Wide(m_Path).c_str(), 0, 5, channels, rate, 2, 1);
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(job->Start(), 1);
    ASSERT_TRUE(fakewin::RunBlocks(blocks));
    job->Stop();

    const std::vector<uint8_t> file = ReadFileBytes(m_Path);
    EXPECT_TRUE(EndsWithTag(file));
    const DecodedAudio audio = DecodeMp3File(m_Path);
    ASSERT_TRUE(audio.ok) << audio.errors;
    EXPECT_EQ(audio.channels, channels);
    EXPECT_EQ(audio.sampleRate, rate);
    const size_t captured = blocks * 11520;
    EXPECT_GE(audio.Frames(), captured);
    EXPECT_LE(audio.Frames(), captured + 2304) << "encoder delay and padding only";
    EXPECT_NEAR(DominantFrequency(audio), 1000, 20);
}

TEST_F(JobLameTest, TwoHundredCreateStartStopCyclesLeaveNothingBehind) {
    fakewin::WaveScript script;
    script.freeRun = true;
    script.periodMs = 3;
    fakewin::SetWaveScript(script);
    for (int i = 0; i < 200; ++i) {
        CJobCenter* job =
            CJobCenter::Create(Wide(m_Path).c_str(), 0, 9, 1 + i % 2, i % 3 ? 8000 : 22050, 1, 1);
        ASSERT_NE(job, nullptr) << i;
        EXPECT_EQ(job->Start(), 1);
        job->Stop();
        ASSERT_EQ(fakewin::OpenHandles(), 0u) << i;
    }
    EXPECT_TRUE(EndsWithTag(ReadFileBytes(m_Path)));
    // Leaked memory (ring, output buffer, encoder instances) is reported by LeakSanitizer at exit.
}

} // namespace
