// The recording job over the fake device and the copying encoder double: what reaches the files,
// in which order, what a stalled worker or a faulty device costs, and that every path releases
// what it built.
#include "JobCenter.h"
#include "EngineTestSupport.h"
#include "FakeEncoder.h"
#include "JobSettings.h"
#include "Mp3Probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

constexpr uint32_t kMonoFrame = 2304; // 8000 Hz mono: a block is two frames

const std::vector<uint8_t> kFlush(fakeenc::kFlushMark, fakeenc::kFlushMark + sizeof fakeenc::kFlushMark - 1);

std::vector<uint8_t> Tail(std::vector<uint8_t> bytes) {
    bytes.insert(bytes.end(), kFlush.begin(), kFlush.end());
    bytes.insert(bytes.end(), kId3v1Tag.begin(), kId3v1Tag.end());
    return bytes;
}

// A file's audio: what comes before its one flush and one tag, which must end it.
std::vector<uint8_t> AudioOf(const std::vector<uint8_t>& file) {
    const size_t tail = kFlush.size() + kId3v1Tag.size();
    EXPECT_GE(file.size(), tail);
    if (file.size() < tail)
        return {};
    const std::vector<uint8_t> audio(file.begin(), file.end() - tail);
    EXPECT_EQ(Tail(audio), file) << "one flush, one tag, at the end";
    return audio;
}

class JobTest : public testing::Test {
  protected:
    void SetUp() override {
        fakewin::ResetWave();
        fakewin::ResetKernel();
        fakeenc::Reset();
        m_Path = TempPath("job.mp3");
        m_nHandles = fakewin::OpenHandles();
    }
    void TearDown() override {
        if (m_pJob)
            m_pJob->Stop(); // a failed assertion left it running
        fakewin::ResetKernel();
        const fakewin::WaveStats stats = fakewin::GetWaveStats();
        EXPECT_EQ(stats.callsFromCallback, 0u);
        EXPECT_EQ(stats.openDevices, 0u);
        EXPECT_EQ(fakewin::OpenHandles(), m_nHandles);
        EXPECT_EQ(fakeenc::LiveInstances(), 0);
        for (const std::string& path : {m_Path, m_Path + ".1", m_Path + ".2"})
            std::remove(path.c_str());
    }
    CJobCenter* MakeJob(int channels = 1, int sampleRate = 8000, uint32_t device = 0) {
        return CJobCenter::Create(Wide(m_Path).c_str(), device, 5, channels, sampleRate, 2, 1);
    }
    // Starts a job the fixture stops if the test ends early.
    void StartJob(int channels = 1, int sampleRate = 8000) {
        m_pJob = MakeJob(channels, sampleRate);
        ASSERT_NE(m_pJob, nullptr);
        ASSERT_EQ(m_pJob->Start(), 1);
    }
    void StopJob() {
        m_pJob->Stop();
        m_pJob = nullptr;
    }
    std::vector<uint8_t> File(const std::string& suffix = "") const { return ReadFileBytes(m_Path + suffix); }

    std::string m_Path;
    CJobCenter* m_pJob = nullptr;
    unsigned m_nHandles = 0; // another test may keep some on purpose
};

TEST_F(JobTest, StalledWorkerLosesOnlyTheBlocksThatFoundNoFreeBlock) {
    // The worker holds one block when its write stalls; 10 more are free and 8 are queued, so 18
    // further blocks fit and every block after that is lost until the worker moves again. A stall
    // longer than the device watch's 3 s is not a device fault: the device holds no header then.
    const struct {
        unsigned stallBlocks;
        uint64_t lost;
        int stallMs;
    } cases[] = {{17, 0, 0}, {18, 0, 0}, {19, 1, 0}, {24, 6, 3300}};
    for (auto c : cases) {
        SCOPED_TRACE(c.stallBlocks);
        fakewin::ResetWave();
        ASSERT_NO_FATAL_FAILURE(StartJob());
        fakewin::SetWriteGate(false);
        ASSERT_TRUE(fakewin::RunBlocks(1));
        ASSERT_TRUE(WaitUntil([] { return fakewin::BlockedWrites() == 1; }));
        ASSERT_TRUE(fakewin::RunBlocks(std::min(c.stallBlocks, 18u)));
        fakewin::SetGraceMs(0); // the ring is full now: nothing may come back while the write stalls
        if (c.stallBlocks > 18) {
            ASSERT_TRUE(fakewin::RunBlocks(c.stallBlocks - 18));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(c.stallMs));
        fakewin::SetGraceMs(5000);
        fakewin::SetWriteGate(true);
        ASSERT_TRUE(fakewin::RunBlocks(5)) << "capture goes on";
        EXPECT_EQ(m_pJob->HasFailed(), 0);
        StopJob();

        const fakewin::WaveStats stats = fakewin::GetWaveStats();
        EXPECT_EQ(stats.lostBlocks, c.lost);
        EXPECT_EQ(stats.completed.size(), 1 + std::min(c.stallBlocks, 18u) + 5);
        EXPECT_EQ(File(), Tail(CapturedBytes(stats, kMonoFrame))) << "every captured block, in capture order";
    }
}

TEST_F(JobTest, BlocksReachTheEncoderInCaptureOrderReadInPlace) {
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        fakewin::ResetWave();
        fakeenc::Reset();
        ASSERT_NO_FATAL_FAILURE(StartJob(channels, 8000));
        ASSERT_TRUE(fakewin::RunBlocks(30)); // more than the ring: it wraps
        StopJob();

        const fakewin::WaveStats stats = fakewin::GetWaveStats();
        const uint32_t frameBytes = kMonoFrame * channels, blockBytes = 2 * frameBytes;
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
        EXPECT_EQ(File(), Tail(CapturedBytes(stats, frameBytes)));
        EXPECT_EQ(fakeenc::CountCalls("Flush"), 1u);
    }
}

TEST_F(JobTest, StopKeepsEveryFullBlockAndTheWholeFramesOfTheBlockBeingFilled) {
    // Windows may deliver a full block's completion after waveInStop has returned; the worker must
    // not finish before that block is filled. The block being filled comes back short at the stop.
    const struct {
        DWORD partialBytes; // recorded into the block being filled when the stop comes
        size_t framesKept;
    } cases[] = {{1000, 0}, {kMonoFrame + 1000, 1}, {2 * kMonoFrame - 2, 1}};
    for (auto c : cases) {
        SCOPED_TRACE(c.partialBytes);
        fakewin::WaveScript script;
        script.callbackDelayMs = 300;
        fakewin::SetWaveScript(script);
        ASSERT_NO_FATAL_FAILURE(StartJob());
        ASSERT_TRUE(fakewin::RunBlocks(10)); // blocks 9 and 10 go into headers requeued after late callbacks
        // The block being filled needs a header: wait until a late callback has requeued one.
        ASSERT_TRUE(WaitUntil([] { return fakewin::GetWaveStats().queuedHeaders > 0; }));
        fakewin::PartialFill(c.partialBytes); // the stop hands it back short, late as well
        StopJob();                            // the callbacks of blocks 9 and 10 are still 300 ms away

        const fakewin::WaveStats stats = fakewin::GetWaveStats();
        EXPECT_EQ(stats.lostBlocks, 0u);
        const std::vector<uint8_t> audio = AudioOf(File());
        EXPECT_EQ(audio, CapturedBytes(stats, kMonoFrame)) << "every full block, in capture order";
        EXPECT_EQ(audio.size(), (20 + c.framesKept) * kMonoFrame);
    }
}

TEST_F(JobTest, SplitGoesOnInTheNextFileWithoutLosingABlock) {
    ASSERT_NO_FATAL_FAILURE(StartJob());
    unsigned blocksRun = 0;
    auto switchAfter = [&](unsigned blocks, const std::string& suffix) {
        ASSERT_TRUE(fakewin::RunBlocks(blocks));
        blocksRun += blocks;
        ASSERT_TRUE(WaitUntil([&] { return fakeenc::CountCalls("EncodeChannels") == 2 * blocksRun; }));
        ASSERT_EQ(m_pJob->SwitchFile(Wide(m_Path + suffix).c_str()), 1);
        EXPECT_EQ(m_pJob->GetWrittenBytes(), 0u) << "the count starts again for the new file";
    };
    ASSERT_NO_FATAL_FAILURE(switchAfter(5, ".1"));
    ASSERT_TRUE(fakewin::RunBlocks(3));
    blocksRun += 3;
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 6 * kMonoFrame; }));

    // A next file that cannot be made leaves the current one going.
    std::ofstream(m_Path + ".2") << "kept";
    EXPECT_EQ(m_pJob->SwitchFile(Wide(m_Path + ".2").c_str()), 0) << "an existing file is never replaced";
    EXPECT_EQ(m_pJob->SwitchFile(Wide(m_Path + ".missing/x.mp3").c_str()), 0);
    EXPECT_EQ(File(".2"), std::vector<uint8_t>({'k', 'e', 'p', 't'}));
    std::remove((m_Path + ".2").c_str());

    ASSERT_NO_FATAL_FAILURE(switchAfter(1, ".2"));
    ASSERT_TRUE(fakewin::RunBlocks(4));
    fakewin::PartialFill(kMonoFrame + 10);
    StopJob();

    const fakewin::WaveStats stats = fakewin::GetWaveStats();
    const std::vector<uint8_t> first = AudioOf(File()), second = AudioOf(File(".1")),
                               third = AudioOf(File(".2"));
    EXPECT_EQ(first.size(), 10 * kMonoFrame);
    EXPECT_EQ(second.size(), 8 * kMonoFrame);
    EXPECT_EQ(third.size(), 9 * kMonoFrame);
    std::vector<uint8_t> all = first;
    all.insert(all.end(), second.begin(), second.end());
    all.insert(all.end(), third.begin(), third.end());
    EXPECT_EQ(all, CapturedBytes(stats, kMonoFrame)) << "each block once, in order, across the files";
    EXPECT_EQ(fakeenc::CountCalls("Flush"), 3u) << "an encoder of its own for each file";
}

TEST_F(JobTest, FaultyHeadersNeverBringStaleAudioIntoTheFile) {
    // The ring is filled with a marker first: neither it nor audio of an earlier lap may reach the
    // file. Only what the device says it recorded in this pass counts, in ring order.
    using F = fakewin::HeaderFault;
    const struct {
        const char* what;
        std::vector<F> faults;
        unsigned failAddsAfter, failAdds;
    } cases[] = {
        {"short", {F{3, 3000}}, 0, 0},
        {"error", {F{3, 0, false}}, 0, 0},
        {"short and late", {F{3, 3000, true, true}}, 0, 0},
        {"error and late, twice", {F{3, 0, false, true}, F{26, 0, false, true}}, 0, 0},
        {"refused buffers", {}, 12, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fakewin::WaveScript script;
        script.faults = c.faults;
        script.failAddsAfter = c.failAddsAfter;
        script.failAdds = c.failAdds;
        fakewin::SetWaveScript(script);
        ASSERT_NO_FATAL_FAILURE(StartJob());
        // The first header queued sits on the ring's first block.
        std::memset(const_cast<void*>(fakewin::GetWaveStats().added.at(0)), 0xA5, 20 * 2 * kMonoFrame);
        ASSERT_TRUE(fakewin::RunBlocks(30));
        StopJob();
        const fakewin::WaveStats stats = fakewin::GetWaveStats();
        EXPECT_EQ(AudioOf(File()), CapturedBytes(stats, kMonoFrame));
        EXPECT_GE(stats.completed.size(), 28u) << "capture goes on after the fault";
    }
}

TEST_F(JobTest, DeviceThatStopsDeliveringEndsTheRecordingWithAFinishedFile) {
    fakewin::WaveScript script;
    script.freeRun = true;
    script.periodMs = 20;
    script.blockLimit = 12; // then silent, holding its headers
    fakewin::SetWaveScript(script);
    ASSERT_NO_FATAL_FAILURE(StartJob());
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->HasFailed() == 1; }, 6000));
    const std::vector<uint8_t> audio = AudioOf(File()); // finished before the stop
    StopJob();
    EXPECT_EQ(audio.size(), 12 * 2 * kMonoFrame);
    EXPECT_EQ(audio, CapturedBytes(fakewin::GetWaveStats(), kMonoFrame));
}

TEST_F(JobTest, StartThenStopWritesTheFlushOutputAndTheTag) {
    ASSERT_NO_FATAL_FAILURE(StartJob(2, 44100));
    StopJob();
    EXPECT_EQ(File(), Tail({}));
}

TEST_F(JobTest, WrittenBytesCountWhatTheDiskTook) {
    const uint32_t room = 3 * kMonoFrame + 100;
    ASSERT_NO_FATAL_FAILURE(StartJob());
    fakewin::SetDiskSpace(room);
    ASSERT_TRUE(fakewin::RunBlocks(3));
    ASSERT_TRUE(WaitUntil([] { return fakeenc::CountCalls("EncodeChannels") == 6; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(m_pJob->GetWrittenBytes(), room) << "a full disk must not look like a growing file";

    fakewin::SetDiskSpace(-1); // space comes back: recording goes on
    ASSERT_TRUE(fakewin::RunBlocks(1));
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == room + 2 * kMonoFrame; }));
    EXPECT_EQ(File().size(), room + 2 * kMonoFrame);
    StopJob();
    EXPECT_EQ(File().size(), room + 2 * kMonoFrame + 5 + 128);
}

TEST_F(JobTest, AJobThatCannotStartLeavesNoFileAndAnExistingOneUntouched) {
    const std::vector<uint8_t> older = {'o', 'l', 'd'};
    const struct {
        const char* what;
        uint32_t device;
        bool failDeviceOpen, failDeviceStart, failEncoderCreate, failPrepare;
        unsigned failThreads; // the feeder's at Create, the worker's at Start
        bool created;         // Create succeeds and Start fails
    } cases[] = {
        {"no such device", 3, false, false, false, false, 0, false},
        {"device busy", 0, true, false, false, false, 0, false},
        {"no feeder thread", 0, false, false, false, false, 1, false},
        {"no encoder", 0, false, false, true, false, 0, false},
        {"settings refused", 0, false, false, false, true, 0, false},
        {"device does not start", 0, false, true, false, false, 0, true},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(m_Path) << "old";
        fakewin::WaveScript script;
        if (c.failDeviceOpen)
            script.openResult = MMSYSERR_ALLOCATED;
        if (c.failDeviceStart)
            script.startResult = MMSYSERR_ERROR;
        fakewin::SetWaveScript(script);
        fakewin::FailCreateThread(c.failThreads);
        fakeenc::Reset({c.failEncoderCreate, c.failPrepare});
        CJobCenter* job = MakeJob(2, 44100, c.device);
        ASSERT_EQ(job != nullptr, c.created);
        if (job) {
            EXPECT_EQ(job->Start(), 0);
            job->Stop();
        }
        EXPECT_EQ(fakeenc::CountCalls("Close"), fakeenc::CountCalls("Create"));
        EXPECT_EQ(fakewin::GetWaveStats().openDevices, 0u);
        EXPECT_EQ(fakewin::OpenHandles(), m_nHandles);
        EXPECT_EQ(File(), older);
    }

    // Started but with no worker, or into a folder that does not exist: no file either.
    std::remove(m_Path.c_str());
    fakewin::ResetWave();
    for (const std::string& path : {m_Path, m_Path + ".missing/take.mp3"}) {
        CJobCenter* job = CJobCenter::Create(Wide(path).c_str(), 0, 5, 2, 44100, 2, 1);
        ASSERT_NE(job, nullptr);
        fakewin::FailCreateThread(path == m_Path ? 1 : 0);
        EXPECT_EQ(job->Start(), 0);
        job->Stop();
        EXPECT_TRUE(File().empty());
    }
}

} // namespace
