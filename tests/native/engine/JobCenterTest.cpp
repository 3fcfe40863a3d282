// The recording job over the fake device and the copying encoder double: what reaches the file,
// in which order, what a stalled worker loses, and that every path releases what it built.
#include "JobCenter.h"
#include "EngineTestSupport.h"
#include "FakeEncoder.h"
#include "JobSettings.h"
#include "Mp3Probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

std::vector<uint8_t> Tail(std::vector<uint8_t> bytes) {
    bytes.insert(bytes.end(), fakeenc::kFlushMark, fakeenc::kFlushMark + sizeof fakeenc::kFlushMark - 1);
    bytes.insert(bytes.end(), kId3v1Tag.begin(), kId3v1Tag.end());
    return bytes;
}

class JobTest : public testing::Test {
  protected:
    void SetUp() override {
        fakewin::ResetWave();
        fakewin::ResetKernel();
        fakeenc::Reset();
        m_Path = TempPath("job.mp3");
    }
    void TearDown() override {
        fakewin::ResetKernel();
        const fakewin::WaveStats stats = fakewin::GetWaveStats();
        EXPECT_EQ(stats.callsFromCallback, 0u);
        EXPECT_EQ(stats.openDevices, 0u);
        EXPECT_EQ(fakewin::OpenHandles(), 0u);
        EXPECT_EQ(fakeenc::LiveInstances(), 0);
        std::remove(m_Path.c_str());
    }
    CJobCenter* MakeJob(int channels = 1, int sampleRate = 8000, uint32_t device = 0) {
        return CJobCenter::Create(Wide(m_Path).c_str(), device, 5, channels, sampleRate, 2);
    }
    std::vector<uint8_t> File() const { return ReadFileBytes(m_Path); }

    std::string m_Path;
};

TEST_F(JobTest, StalledWorkerLosesOnlyTheBlocksThatFoundNoFreeBlock) {
    // The worker holds one block when its write stalls; 10 more are free and 8 are queued, so 18
    // further blocks fit and every block after that is lost until the worker moves again.
    const struct {
        unsigned stallBlocks;
        uint64_t lost;
    } cases[] = {{17, 0}, {18, 0}, {19, 1}, {24, 6}};
    for (auto c : cases) {
        SCOPED_TRACE(c.stallBlocks);
        fakewin::ResetWave();
        CJobCenter* job = MakeJob();
        ASSERT_NE(job, nullptr);
        ASSERT_EQ(job->Start(), 1);
        fakewin::SetWriteGate(false);
        ASSERT_TRUE(fakewin::RunBlocks(1));
        ASSERT_TRUE(WaitUntil([] { return fakewin::BlockedWrites() == 1; }));
        ASSERT_TRUE(fakewin::RunBlocks(std::min(c.stallBlocks, 18u)));
        fakewin::SetGraceMs(0); // the ring is full now: nothing may come back while the write stalls
        if (c.stallBlocks > 18) {
            ASSERT_TRUE(fakewin::RunBlocks(c.stallBlocks - 18));
        }
        fakewin::SetGraceMs(5000);
        fakewin::SetWriteGate(true);
        ASSERT_TRUE(fakewin::RunBlocks(5)) << "capture goes on";
        job->Stop();

        const fakewin::WaveStats stats = fakewin::GetWaveStats();
        EXPECT_EQ(stats.lostBlocks, c.lost);
        EXPECT_EQ(stats.completed.size(), 1 + std::min(c.stallBlocks, 18u) + 5);
        EXPECT_EQ(File(), Tail(CapturedBytes(stats, 4608))) << "every captured block, in capture order";
    }
}

TEST_F(JobTest, BlocksReachTheEncoderInCaptureOrderReadInPlace) {
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        fakewin::ResetWave();
        fakeenc::Reset();
        CJobCenter* job = MakeJob(channels, 8000);
        ASSERT_NE(job, nullptr);
        ASSERT_EQ(job->Start(), 1);
        ASSERT_TRUE(fakewin::RunBlocks(30)); // more than the ring: it wraps
        job->Stop();

        const fakewin::WaveStats stats = fakewin::GetWaveStats();
        const uint32_t frameBytes = 1152 * 2 * channels, blockBytes = 2 * frameBytes;
        std::vector<const int16_t*> expect;
        for (const fakewin::Completion& c : stats.completed)
            for (uint32_t at = 0; at < blockBytes; at += frameBytes)
                expect.push_back(reinterpret_cast<const int16_t*>(static_cast<const uint8_t*>(c.data) + at));
        std::vector<const int16_t*> seen;
        for (const fakeenc::Call& call : fakeenc::Calls()) {
            if (call.op != "EncodeChannels" && call.op != "EncodeInterleaved")
                continue;
            EXPECT_EQ(call.op, channels == 1 ? "EncodeChannels" : "EncodeInterleaved");
            EXPECT_EQ(call.args, (std::vector<long long>{1152, 147456}));
            if (channels == 1) {
                EXPECT_EQ(call.second, call.first) << "one channel is given as both";
            }
            seen.push_back(call.first);
        }
        EXPECT_EQ(stats.lostBlocks, 0u);
        EXPECT_EQ(stats.completed.size(), 30u);
        EXPECT_EQ(seen, expect);
        EXPECT_EQ(File(), Tail(CapturedBytes(stats, blockBytes)));
        EXPECT_EQ(fakeenc::CountCalls("Flush"), 1u);
    }
}

TEST_F(JobTest, StopKeepsFullBlocksWhoseCallbackArrivesAfterTheDeviceStopped) {
    // Windows may deliver a full block's completion after waveInStop has returned; the worker,
    // which looks at the stop flag every 100 ms, must not finish before that block is filled.
    fakewin::WaveScript script;
    script.callbackDelayMs = 300;
    fakewin::SetWaveScript(script);
    CJobCenter* job = MakeJob();
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(job->Start(), 1);
    ASSERT_TRUE(fakewin::RunBlocks(10)); // blocks 9 and 10 go into headers requeued after late callbacks
    fakewin::PartialFill(1000);          // and the stop hands back a short header, late as well
    job->Stop();                         // the callbacks of blocks 9 and 10 are still 300 ms away

    const fakewin::WaveStats stats = fakewin::GetWaveStats();
    EXPECT_EQ(stats.lostBlocks, 0u);
    EXPECT_EQ(stats.completed.size(), 10u);
    EXPECT_EQ(File(), Tail(CapturedBytes(stats, 4608))) << "every full block, in capture order";
}

TEST_F(JobTest, StartThenStopWritesTheFlushOutputAndTheTag) {
    CJobCenter* job = MakeJob(2, 44100);
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(job->Start(), 1);
    fakewin::PartialFill(1000); // the block being filled at the stop is dropped
    job->Stop();
    EXPECT_EQ(File(), Tail({}));
}

TEST_F(JobTest, WrittenBytesCountWhatTheDiskTook) {
    const uint32_t frameBytes = 2304, room = 3 * frameBytes + 100;
    CJobCenter* job = MakeJob();
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(job->Start(), 1);
    fakewin::SetDiskSpace(room);
    ASSERT_TRUE(fakewin::RunBlocks(3));
    ASSERT_TRUE(WaitUntil([] { return fakeenc::CountCalls("EncodeChannels") == 6; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(job->GetWrittenBytes(), room) << "a full disk must not look like a growing file";

    fakewin::SetDiskSpace(-1); // space comes back: recording goes on
    ASSERT_TRUE(fakewin::RunBlocks(1));
    ASSERT_TRUE(WaitUntil([&] { return job->GetWrittenBytes() == room + 2 * frameBytes; }));
    EXPECT_EQ(File().size(), room + 2 * frameBytes);
    job->Stop();
    EXPECT_EQ(File().size(), room + 2 * frameBytes + 5 + 128);
}

TEST_F(JobTest, CreateFailuresReleaseEverythingAndReturnNull) {
    const struct {
        const char* what;
        uint32_t device;
        bool failDeviceOpen, failThread, failEncoderCreate, failPrepare;
    } cases[] = {
        {"no such device", 3, false, false, false, false},  {"device busy", 0, true, false, false, false},
        {"no feeder thread", 0, false, true, false, false}, {"no encoder", 0, false, false, true, false},
        {"settings refused", 0, false, false, false, true},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(m_Path) << "an older recording";
        fakewin::WaveScript script;
        if (c.failDeviceOpen)
            script.openResult = MMSYSERR_ALLOCATED;
        fakewin::SetWaveScript(script);
        fakewin::FailCreateThread(c.failThread ? 1 : 0);
        fakeenc::Reset({c.failEncoderCreate, c.failPrepare});
        EXPECT_EQ(MakeJob(2, 44100, c.device), nullptr);
        EXPECT_EQ(fakeenc::CountCalls("Close"), fakeenc::CountCalls("Create") > 0 ? 1u : 0u);
        EXPECT_EQ(fakewin::GetWaveStats().openDevices, 0u);
        EXPECT_EQ(fakewin::OpenHandles(), 0u);
        EXPECT_EQ(fakeenc::LiveInstances(), 0);
        EXPECT_TRUE(File().empty()) << "created, or truncated, and left empty";
    }
    const std::string missing = m_Path + ".missing/take.mp3";
    EXPECT_EQ(CJobCenter::Create(Wide(missing).c_str(), 0, 5, 2, 44100, 2), nullptr);
    EXPECT_EQ(fakewin::GetWaveStats().openDevices, 0u);
}

TEST_F(JobTest, StopAfterAFailedStartEndsCleanly) {
    // No worker: nothing is written at all.
    CJobCenter* job = MakeJob();
    ASSERT_NE(job, nullptr);
    fakewin::FailCreateThread(1);
    EXPECT_EQ(job->Start(), 0);
    job->Stop();
    EXPECT_TRUE(File().empty());

    // The worker runs but the device does not start: it still flushes and tags.
    fakewin::WaveScript script;
    script.startResult = MMSYSERR_ERROR;
    fakewin::SetWaveScript(script);
    job = MakeJob();
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->Start(), 0);
    job->Stop();
    EXPECT_EQ(File(), Tail({}));
}

} // namespace
