// The recording engine over the fake device, with an encoder that copies each frame's PCM through.
// The device (this thread), the capture's feeder and the job's worker run the capture ring on threads
// of their own: each file must hold exactly the whole frames the device reported, once and in
// order. Then the ring's stall decision, with explicit times.
#include "CaptureRing.h"
#include "JobCenter.h"
#include "Mp3Encoder.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

// The encoder refuses its settings.
bool g_bRefuse = false;

int CMp3Encoder::Open(int32_t channels, int32_t, int32_t, int32_t) {
    m_nChannels = channels;
    return !g_bRefuse;
}
int32_t CMp3Encoder::EncodeFrame(const int16_t* pcm, uint8_t* out, int32_t) {
    std::memcpy(out, pcm, 2304 * m_nChannels);
    return 2304 * m_nChannels;
}
int32_t CMp3Encoder::Flush(uint8_t* out, int32_t) {
    std::memcpy(out, "FLUSH", 5);
    return 5;
}
void CMp3Encoder::Close() {
    delete this;
}

namespace {

// Bytes of a frame and of a block at 8000 Hz, one channel.
constexpr DWORD kFrame = 2304, kBlock = 2 * kFrame;
// What ends every file: the flush and the tag.
const std::string kEnd = "FLUSHTAG" + std::string(60, 0) + "kavel.example" + std::string(52, 0);
// All the device recorded: numbered samples.
std::string g_Recorded;

template <typename Pred> bool WaitUntil(Pred pred) {
    for (int ms = 0; ms < 5000; ++ms, std::this_thread::sleep_for(std::chrono::milliseconds(1)))
        if (pred())
            return true;
    return false;
}
// The device records into the oldest header it holds, once it holds one, and takes it unless told.
WAVEHDR* Record(DWORD bytes, bool take = true) {
    WAVEHDR* header = nullptr;
    if (!WaitUntil([&] {
            std::lock_guard lock(fakewin::device->mutex);
            header = fakewin::device->queued.empty() ? nullptr : fakewin::device->queued.front();
            if (header && take)
                fakewin::device->queued.pop_front();
            return header != nullptr;
        }))
        throw std::runtime_error("the device was left without headers");
    bytes = std::min(bytes, header->dwBufferLength);
    for (DWORD i = 0; i < bytes / 2; ++i)
        reinterpret_cast<uint16_t*>(header->lpData)[i] = uint16_t(g_Recorded.size() / 2 + i);
    g_Recorded.append(header->lpData, bytes);
    return header;
}
void RunBlock() {
    WAVEHDR* header = Record(~0u);
    fakewin::Back(fakewin::device, header, header->dwBufferLength);
}
std::string Read(const char* name) {
    std::ifstream file(name, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
}

class JobTest : public testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::current_path(testing::TempDir());
        g_Recorded.clear();
        fakewin::startResult = fakewin::partialBytes = fakewin::keepOnReset = g_bRefuse = 0;
    }
    // Stops the job on every path: one left running would hang the program.
    void TearDown() override {
        if (m_pJob)
            std::exchange(m_pJob, nullptr)->Stop();
        for (const char* name : {"a", "b", "c", "d"})
            std::remove(name);
    }
    void Start(int32_t channels) {
        m_pJob = CJobCenter::Create(L"a", 0, 5, channels, 8000, 3, 1);
        ASSERT_EQ(m_pJob ? m_pJob->Start() : 0, 1);
    }

    CJobCenter* m_pJob = nullptr;
};

TEST_F(JobTest, TheFileHoldsTheWholeFramesTheDeviceReportedOnceAndInOrder) {
    // How the header of block 25, in the second lap, comes back: bytes, done flag, after how many
    // later ones (short and late; no done flag, out of order; more than the block); or how many adds
    // the device refuses.
    const struct {
        DWORD bytes, done, lateBy = 0, refused = 0;
    } rows[] = {
        {kFrame + 9, WHDR_DONE, 3}, {kBlock, 0, 1}, {3 * kFrame, WHDR_DONE}, {kBlock, WHDR_DONE, 0, 3}};
    for (auto [faultBytes, done, lateBy, refused] : rows) {
        ASSERT_NO_FATAL_FAILURE(Start(1));
        fakewin::refuseAdds = refused;
        std::string expected;
        WAVEHDR* late = nullptr;
        for (DWORD block = 0; block < 45; ++block) {
            const DWORD bytes = block == 25 ? faultBytes : kBlock, recorded = std::min(bytes, kBlock);
            WAVEHDR* header = Record(bytes);
            if (block != 25 || done)
                expected += g_Recorded.substr(g_Recorded.size() - recorded, recorded / kFrame * kFrame);
            if (block == 25 && lateBy)
                late = header;
            else
                fakewin::Back(fakewin::device, header, bytes, block == 25 ? done : WHDR_DONE);
            if (late && block == 25 + lateBy)
                fakewin::Back(fakewin::device, late, faultBytes, done);
        }
        std::exchange(m_pJob, nullptr)->Stop();
        EXPECT_EQ(Read("a"), expected + kEnd) << faultBytes << " " << done << " " << lateBy << " " << refused;
    }
}

TEST_F(JobTest, SwitchFileGoesOnInTheNextFileWithoutAGapAndTheCountIsWhatTheFileTook) {
    // A block is two frames of two channels.
    ASSERT_NO_FATAL_FAILURE(Start(2));
    RunBlock();
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 2 * kBlock; }));
    ASSERT_EQ(m_pJob->SwitchFile(L"b"), 1);
    EXPECT_EQ(m_pJob->GetWrittenBytes(), 0u);
    // The count starts again with the file.
    RunBlock();
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 2 * kBlock; }));
    // A full disk refuses the next block's two frames: the count is what the file took.
    fakewin::failWrites = 2;
    RunBlock();
    RunBlock();
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 4 * kBlock; }));
    std::ofstream("c") << "old";
    EXPECT_EQ(m_pJob->SwitchFile(L"c"), 0) << "an existing file is never replaced";
    EXPECT_EQ(m_pJob->SwitchFile(L"missing/d"), 0);
    EXPECT_EQ(Read("c"), "old");
    ASSERT_EQ(m_pJob->SwitchFile(L"d"), 1);
    RunBlock();
    // A frame and a bit in the header being filled, handed back after the stop.
    fakewin::partialBytes = 2 * kFrame + 1000;
    Record(fakewin::partialBytes, false);
    std::exchange(m_pJob, nullptr)->Stop();
    EXPECT_EQ(Read("a"), g_Recorded.substr(0, 2 * kBlock) + kEnd);
    EXPECT_EQ(Read("b"),
              g_Recorded.substr(2 * kBlock, 2 * kBlock) + g_Recorded.substr(6 * kBlock, 2 * kBlock) + kEnd);
    EXPECT_EQ(Read("d"), g_Recorded.substr(8 * kBlock, 2 * kBlock + 2 * kFrame) + kEnd);
}

TEST_F(JobTest, ADeviceThatStopsDeliveringFailsTheJobWithAFinishedFile) {
    ASSERT_NO_FATAL_FAILURE(Start(1));
    RunBlock();
    EXPECT_TRUE(WaitUntil([&] { return m_pJob->HasFailed(); })) << "after 3 s";
    EXPECT_EQ(Read("a"), g_Recorded + kEnd) << "finished before the stop";
}

TEST_F(JobTest, AJobThatCannotStartLeavesAnExistingFileUntouched) {
    // The encoder refuses its settings; the device does not start.
    for (int refuse : {1, 0}) {
        std::ofstream("a") << "old";
        g_bRefuse = refuse;
        fakewin::startResult = !refuse;
        CJobCenter* job = CJobCenter::Create(L"a", 0, 5, 1, 8000, 2, 1);
        if (job) {
            EXPECT_EQ(job->Start(), 0);
            job->Stop();
        }
        EXPECT_EQ(Read("a"), "old");
    }
}

TEST_F(JobTest, AHeaderTheDeviceKeepsPastTheStopKeepsTheRingAlive) {
    fakewin::keepOnReset = true;
    ASSERT_NO_FATAL_FAILURE(Start(1));
    RunBlock();
    // Kept on purpose, with all it holds: no leak. The stop gives up waiting for it after 1 s.
    [[maybe_unused]] static HWAVEIN kept = fakewin::device;
    std::exchange(m_pJob, nullptr)->Stop();
    // Records into the ring and calls back into the capture object.
    RunBlock();
}

TEST(CaptureRing, StalledWhenTheDeviceHoldsHeadersButGivesBackNoAudioFor3s) {
    std::vector<uint8_t> memory(kRingBlocks * 64);
    CCaptureRing ring;
    ring.Init(memory.data(), 64);
    for (uint8_t* header : {&memory[0], &memory[1]}) // on blocks 0 and 1
        ring.Queue(
            header, [](void*, void*, uint8_t*) { return 1; }, nullptr);
    ring.StartWatch(1000);
    EXPECT_EQ(ring.Stalled(3999), 0);
    EXPECT_EQ(ring.Stalled(4000), 1);
    // Audio comes back: the watch starts again; a header back without the done flag holds none.
    ring.HeaderBack(&memory[0], &memory[0], 64, 1);
    ring.HeaderBack(&memory[1], &memory[64], 64, 0);
    EXPECT_EQ(ring.Stalled(5000), 0);
    EXPECT_EQ(ring.Stalled(8000), 1);
    // Both counted back: the device holds none, behind a full ring, which is no stall.
    ring.CountReturned();
    ring.CountReturned();
    EXPECT_EQ(ring.Stalled(60000), 0);
    // Given one again, which it refuses: the watch starts again and counts it.
    ring.QueueWaiting([](void*, void*, uint8_t*) { return 0; }, nullptr);
    EXPECT_EQ(ring.Stalled(61000), 0);
    EXPECT_EQ(ring.Stalled(64000), 1);
}

} // namespace
