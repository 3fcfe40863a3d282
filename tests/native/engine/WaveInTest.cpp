// The capture ring over the fake device: where the cursors stand, and which headers count.
#include "WaveIn.h"
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

namespace {

class WaveInTest : public testing::Test {
  protected:
    void SetUp() override {
        fakewin::ResetWave();
        m_nHandles = fakewin::OpenHandles();
    }
    void TearDown() override {
        const fakewin::WaveStats stats = fakewin::GetWaveStats();
        EXPECT_EQ(stats.callsFromCallback, 0u) << "wave calls inside the callback deadlock on Windows";
        EXPECT_EQ(stats.openDevices, 0u);
        EXPECT_EQ(fakewin::OpenHandles(), m_nHandles);
    }
    unsigned m_nHandles = 0; // another test may keep some on purpose
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
    EXPECT_EQ(waveIn->TakeFilled().data, nullptr);
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

    const SFilledBlock taken = waveIn->TakeFilled();
    const uint8_t* filled = taken.data;
    ASSERT_EQ(filled, ring);
    EXPECT_EQ(taken.bytes, block);
    std::vector<uint8_t> expect;
    AppendNumbered(expect, 0, block);
    EXPECT_EQ(std::vector<uint8_t>(filled, filled + block), expect);
    waveIn->ReleaseFilled();
    EXPECT_EQ(waveIn->GetCursors().readPos, 0u);
    EXPECT_EQ(waveIn->TakeFilled().data, nullptr);

    // Releasing block 0 freed block 19: eleven more completions are requeued on blocks 9 to 19.
    ASSERT_TRUE(fakewin::RunBlocks(11));
    ASSERT_TRUE(WaitUntil([&] { return fakewin::GetWaveStats().added.size() == 8 + 12; }));
    EXPECT_EQ(fakewin::GetWaveStats().added.back(), ring + 19 * block);
    EXPECT_EQ(waveIn->GetCursors().queueEnd, 0u);
    waveIn->Close();
}

TEST_F(WaveInTest, HeadersComeBackWithWhatTheDeviceRecordedAndGoBackToTheDevice) {
    const WAVEFORMATEX format = PcmCaptureFormat(2, 22050);
    CWaveIn* waveIn = CWaveIn::Create(0, &format);
    ASSERT_NE(waveIn, nullptr);
    const uint32_t block = waveIn->GetBlockBytes();
    ASSERT_EQ(waveIn->Start(), 1);
    fakewin::PartialFill(block / 2);
    waveInStop(waveIn->GetDevice()); // hands the half-filled header back, done but short
    ASSERT_TRUE(fakewin::DeliverNotDone());
    ASSERT_TRUE(WaitUntil([&] { return fakewin::GetWaveStats().added.size() == 10; })) << "both requeued";
    EXPECT_EQ(waveIn->GetCursors().filledEnd, 2 * block);
    EXPECT_EQ(waveIn->TakeFilled().bytes, block / 2);
    waveIn->ReleaseFilled();
    EXPECT_EQ(waveIn->TakeFilled().bytes, 0u) << "no done flag: nothing recorded counts";
    waveIn->Close();
}

} // namespace

// Leaked on purpose and kept reachable: the device still held a header when it was closed.
CWaveIn* g_pKept = nullptr;

TEST(WaveInShutdown, AHeaderTheDeviceKeepsKeepsTheRingAlive) {
    fakewin::WaveScript script;
    script.keepOnReset = true;
    fakewin::SetWaveScript(script);
    const WAVEFORMATEX format = PcmCaptureFormat(1, 8000);
    CWaveIn* waveIn = CWaveIn::Create(0, &format);
    ASSERT_NE(waveIn, nullptr);
    const unsigned handlesBefore = fakewin::OpenHandles();
    const HWAVEIN device = waveIn->GetDevice();
    ASSERT_EQ(waveIn->Start(), 1);
    ASSERT_TRUE(fakewin::RunBlocks(3));
    waveIn->Close(); // waits 1 s for the kept header, then must not free what the device may use
    g_pKept = waveIn;
    EXPECT_EQ(fakewin::GetWaveStats().openDevices, 1u);
    EXPECT_EQ(fakewin::OpenHandles(), handlesBefore - 1) << "only the feeder thread is gone";
    fakewin::ReleaseKeptHeader(); // the device records into the ring and calls back: use after free?
    EXPECT_EQ(waveInClose(device), MMSYSERR_NOERROR);
    fakewin::ResetWave();
}
