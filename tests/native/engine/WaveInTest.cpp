// The capture ring over the fake device: where the cursors stand, and which headers count.
#include "WaveIn.h"
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

namespace {

class WaveInTest : public testing::Test {
  protected:
    void SetUp() override { fakewin::ResetWave(); }
    void TearDown() override {
        const fakewin::WaveStats stats = fakewin::GetWaveStats();
        EXPECT_EQ(stats.callsFromCallback, 0u) << "wave calls inside the callback deadlock on Windows";
        EXPECT_EQ(stats.openDevices, 0u);
        EXPECT_EQ(fakewin::OpenHandles(), 0u);
    }
};

TEST_F(WaveInTest, OpenQueuesBlocksZeroToSevenAndHoldsBackTheLast) {
    const WAVEFORMATEX format = PcmCaptureFormat(2, 44100);
    CWaveIn* waveIn = CWaveIn::Create(WAVE_MAPPER, &format);
    ASSERT_NE(waveIn, nullptr);
    const uint32_t block = 46080;
    EXPECT_EQ(waveIn->GetBlockBytes(), block);
    const CWaveIn::Cursors c = waveIn->GetCursors();
    EXPECT_EQ(c.filledEnd, 0u);
    EXPECT_EQ(c.queueEnd, 8 * block);
    EXPECT_EQ(c.readPos, 19 * block);
    const fakewin::WaveStats stats = fakewin::GetWaveStats();
    EXPECT_EQ(stats.lastDeviceId, 0xFFFFFFFFu) << "index handed over unchanged";
    EXPECT_EQ(stats.queuedHeaders, 8u);
    ASSERT_EQ(stats.added.size(), 8u);
    for (uint32_t i = 0; i < 8; ++i)
        EXPECT_EQ(stats.added[i], waveIn->GetRing() + i * block) << i;
    EXPECT_EQ(waveIn->TakeFilled(), nullptr);
    waveIn->Close();
}

TEST_F(WaveInTest, FirstCompletionFillsBlockZeroAndRequeuesOnBlockEight) {
    const WAVEFORMATEX format = PcmCaptureFormat(1, 8000);
    CWaveIn* waveIn = CWaveIn::Create(0, &format);
    ASSERT_NE(waveIn, nullptr);
    const uint32_t block = waveIn->GetBlockBytes();
    const uint8_t* ring = waveIn->GetRing();
    ASSERT_EQ(waveInStart(waveIn->GetDevice()), MMSYSERR_NOERROR);
    ASSERT_TRUE(fakewin::RunBlocks(1));
    ASSERT_TRUE(WaitUntil([&] { return waveIn->GetCursors().queueEnd == 9 * block; }));
    EXPECT_EQ(waveIn->GetCursors().filledEnd, block);
    EXPECT_EQ(fakewin::GetWaveStats().added.at(8), ring + 8 * block);

    const uint8_t* filled = waveIn->TakeFilled();
    ASSERT_EQ(filled, ring);
    std::vector<uint8_t> expect;
    AppendNumbered(expect, 0, block);
    EXPECT_EQ(std::vector<uint8_t>(filled, filled + block), expect);
    waveIn->ReleaseFilled();
    EXPECT_EQ(waveIn->GetCursors().readPos, 0u);
    EXPECT_EQ(waveIn->TakeFilled(), nullptr);

    // Releasing block 0 freed block 19: eleven more completions are requeued on blocks 9 to 19.
    ASSERT_TRUE(fakewin::RunBlocks(11));
    ASSERT_TRUE(WaitUntil([&] { return fakewin::GetWaveStats().added.size() == 8 + 12; }));
    EXPECT_EQ(fakewin::GetWaveStats().added.back(), ring + 19 * block);
    EXPECT_EQ(waveIn->GetCursors().queueEnd, 0u);
    waveIn->Close();
}

TEST_F(WaveInTest, ShortAndNotDoneHeadersAreNeitherCountedNorRequeued) {
    const WAVEFORMATEX format = PcmCaptureFormat(2, 22050);
    CWaveIn* waveIn = CWaveIn::Create(0, &format);
    ASSERT_NE(waveIn, nullptr);
    const uint32_t block = waveIn->GetBlockBytes();
    ASSERT_EQ(waveInStart(waveIn->GetDevice()), MMSYSERR_NOERROR);
    fakewin::PartialFill(block / 2);
    waveInStop(waveIn->GetDevice()); // hands the half-filled header back, done but short
    ASSERT_TRUE(fakewin::DeliverNotDone());
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // room for a wrong requeue to show
    const CWaveIn::Cursors c = waveIn->GetCursors();
    EXPECT_EQ(c.filledEnd, 0u);
    EXPECT_EQ(c.queueEnd, 8 * block);
    EXPECT_EQ(waveIn->TakeFilled(), nullptr);
    const fakewin::WaveStats stats = fakewin::GetWaveStats();
    EXPECT_EQ(stats.added.size(), 8u);
    EXPECT_EQ(stats.queuedHeaders, 6u);
    waveIn->Close();
}

} // namespace
