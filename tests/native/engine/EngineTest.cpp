// The recording engine over the fake device, with an encoder that copies each frame's PCM through.
// The device (this thread), the capture's feeder and the job's worker run the capture ring on threads
// of their own: each file must hold exactly the whole frames the device reported, once and in
// order. Then the ring's stall decision, with explicit times.
#include "CaptureRing.h"
#include "JobCenter.h"
#include "Mp3Encoder.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

// While set, encoding waits, as behind a stalled disk.
std::atomic<bool> g_bHold{false};

// Like the library, it refuses a quality it does not have.
int CMp3Encoder::Open(int32_t channels, int32_t, int32_t, int32_t quality) {
    m_nChannels = channels;
    return quality <= 9;
}
int32_t CMp3Encoder::EncodeFrame(const int16_t* pcm, uint8_t* out, int32_t) {
    while (g_bHold)
        std::this_thread::yield();
    std::copy_n(reinterpret_cast<const uint8_t*>(pcm), 2304 * m_nChannels, out);
    return 2304 * m_nChannels;
}
int32_t CMp3Encoder::Flush(uint8_t* out, int32_t) {
    std::copy_n("FLUSH", 5, out);
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
// The headers the device holds.
size_t Held() {
    std::lock_guard lock(fakewin::device->mutex);
    return fakewin::device->queued.size();
}
// The device records into the oldest header it holds, once it holds one, and takes it unless told.
WAVEHDR* Record(DWORD bytes, bool take = true) {
    WaitUntil([] { return Held() > 0; });
    std::lock_guard lock(fakewin::device->mutex);
    WAVEHDR* header = fakewin::device->queued.at(0); // throws when the device was left without
    if (take)
        fakewin::device->queued.pop_front();
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
    return std::string(std::istreambuf_iterator<char>(std::ifstream(name, std::ios::binary).rdbuf()), {});
}

class JobTest : public testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::current_path(testing::TempDir());
        g_Recorded.clear();
        fakewin::openResult = fakewin::startResult = fakewin::partialBytes = fakewin::keepOnReset = 0;
        fakewin::slowLastReturnMs = fakewin::asleepMs = 0;
    }
    // Stops the job on every path: one left running would hang the program.
    void TearDown() override {
        g_bHold = false;
        if (m_pJob)
            std::exchange(m_pJob, nullptr)->Stop();
        fakewin::JoinReturns();
        for (const char* name : {"a", "b", "c", "d"})
            std::remove(name);
    }
    CJobCenter* Started(const wchar_t* name, int32_t channels) {
        m_pJob = CJobCenter::Create(name, 0, 5, channels, 8000, 3, 1, &m_Fault);
        return m_pJob && m_pJob->Start(&m_Fault) ? m_pJob : nullptr;
    }

    CJobCenter* m_pJob = nullptr;
    SJobFault m_Fault;
};

TEST_F(JobTest, TheFileHoldsTheWholeFramesTheDeviceReportedOnceAndInOrder) {
    // How the header of block 25, in the second lap, comes back: bytes, done flag (1), after how many
    // later ones (short and late; no done flag, out of order; more than the block); or how many adds
    // the device then refuses; or whether the worker stalls there until the ring is full.
    const struct {
        DWORD bytes, done, lateBy = 0, refused = 0, stall = 0;
    } rows[] = {{kFrame + 9, 1, 3}, {kBlock, 0, 1}, {3 * kFrame, 1}, {kBlock, 1, 0, 3}, {kBlock, 1, 0, 0, 1}};
    for (auto [faultBytes, done, lateBy, refused, stall] : rows) {
        ASSERT_TRUE(Started(L"a", 1));
        std::string expected;
        WAVEHDR* late = nullptr;
        for (DWORD block = 0; block < 45; ++block) {
            if (block == 25) {
                ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 25 * kBlock; }));
                fakewin::refuseAdds = refused;
                g_bHold = stall;
            }
            // With the worker held at block 25, blocks 26 to 43 fill the ring.
            g_bHold = g_bHold && block < 44;
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
        // Every header goes back to the device, also those that came back to a full ring.
        EXPECT_TRUE(WaitUntil([] { return Held() == kDeviceHeaders; }));
        std::exchange(m_pJob, nullptr)->Stop();
        EXPECT_EQ(Read("a"), expected + kEnd) << faultBytes << " " << done << " " << lateBy << " " << refused;
    }
}

TEST_F(JobTest, SwitchFileGoesOnInTheNextFileWithoutAGapAndTheCountIsWhatTheFileTook) {
    // A block is two frames of two channels.
    ASSERT_TRUE(Started(L"a", 2));
    RunBlock();
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 2 * kBlock; }));
    // The level comes from every sample the encoder took: numbered 0 to 4607, 288 ms at 8000 Hz.
    const SLevelReading level = m_pJob->ReadLevel();
    EXPECT_EQ(level.peak, 4607u);
    EXPECT_EQ(level.newMs, 288u);
    ASSERT_EQ(m_pJob->SwitchFile(L"b", &m_Fault), 1);
    EXPECT_EQ(m_pJob->GetWrittenBytes(), 0u);
    // The count starts again with the file.
    RunBlock();
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 2 * kBlock; }));
    // A full disk refuses the next block's two frames: the count is what the file took, and the job
    // says so until a write succeeds again.
    fakewin::failWrites = 2;
    RunBlock();
    EXPECT_TRUE(WaitUntil([&] { return m_pJob->IsWriteFailing(); }));
    RunBlock();
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 4 * kBlock; }));
    EXPECT_FALSE(m_pJob->IsWriteFailing());
    std::ofstream("c") << "old";
    EXPECT_EQ(m_pJob->SwitchFile(L"c", &m_Fault), 0) << "an existing file is never replaced";
    EXPECT_EQ(m_Fault.kind, kJobFileCreate);
    EXPECT_EQ(m_Fault.code, uint32_t{EEXIST});
    EXPECT_EQ(m_pJob->SwitchFile(L"missing/d", &m_Fault), 0);
    ASSERT_EQ(m_pJob->SwitchFile(L"d", &m_Fault), 1);
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

TEST_F(JobTest, AJobThatCannotStartSaysWhyAndLeavesAnExistingFileUntouched) {
    std::ofstream("a") << "old";
    // Device open result, device start result, quality, file; then the fault expected.
    const struct {
        uint32_t open, start;
        int32_t quality;
        const wchar_t* file;
        SJobFault fault;
    } rows[] = {{1, 0, 5, L"a", {kJobDeviceOpen, 1}}, // MMSYSERR_ERROR: blocked by the privacy setting
                {0, 0, 10, L"a", {kJobEncoder, 0}},   // a quality the encoder does not have
                {0, 4, 5, L"a", {kJobDeviceStart, 4}},
                {0, 0, 5, L"missing/a", {kJobFileCreate, ENOENT}}};
    for (const auto& row : rows) {
        fakewin::openResult = row.open;
        fakewin::startResult = row.start;
        SJobFault fault;
        CJobCenter* job = CJobCenter::Create(row.file, 0, row.quality, 1, 8000, 2, 1, &fault);
        if (job && !job->Start(&fault))
            std::exchange(job, nullptr)->Stop();
        EXPECT_EQ(job, nullptr) << row.open << " " << row.start;
        EXPECT_EQ(std::vector({fault.kind, int32_t(fault.code)}),
                  std::vector({row.fault.kind, int32_t(row.fault.code)}));
    }
    EXPECT_EQ(Read("a"), "old");
}

TEST_F(JobTest, ADeviceThatKeepsItsHeadersFailsTheJobWithAFinishedFileAndKeepsTheRing) {
    fakewin::keepOnReset = true;
    ASSERT_TRUE(Started(L"a", 1));
    RunBlock();
    // Once the worker has seen the audio, an hour asleep passes on the tick count but not on the awake
    // clock the rule runs on.
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == kBlock; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    fakewin::asleepMs = 3600000;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(m_pJob->HasFailed()) << "time asleep counted as time without audio";
    EXPECT_TRUE(WaitUntil([&] { return m_pJob->HasFailed(); })) << "after 3 s without audio";
    EXPECT_TRUE(WaitUntil([] { return Read("a") == g_Recorded + kEnd; })) << "finished before the stop";
    // Kept on purpose, with all it holds: no leak. The stop gives up waiting for it after 1 s.
    [[maybe_unused]] static HWAVEIN kept = fakewin::device;
    std::exchange(m_pJob, nullptr)->Stop();
    // Records into the ring and calls back into the capture object.
    RunBlock();
}

TEST_F(JobTest, TheStopNeverFreesTheCaptureWhileACallbackStillRuns) {
    // The last header back at the stop comes with a callback slow at each event it sets: briefly, and
    // for longer than the stop waits, when the capture object is kept rather than freed under it.
    for (DWORD slowMs : {100u, 1100u}) {
        fakewin::slowLastReturnMs = slowMs;
        ASSERT_TRUE(Started(L"a", 1));
        RunBlock();
        static std::vector<HWAVEIN> kept;
        kept.push_back(fakewin::device);
        std::exchange(m_pJob, nullptr)->Stop();
        fakewin::JoinReturns(); // the callback ends, touching what it touches
    }
}

// The device rule with explicit times on the awake clock, over a device that keeps its headers, hands
// them back empty or refuses them, and behind a ring the worker let fill up.
TEST(CaptureRing, GoneAfter3sWithoutAudioButNotWhileTheRingIsFull) {
    std::vector<uint8_t> memory(kRingBlocks * 64);
    static int adds = 0, refuse = 0;
    auto add = [](void*, void*, uint8_t*) -> int { return ++adds, !refuse; };
    CCaptureRing ring;
    ring.Init(memory.data(), 64);
    void* h[2] = {&memory[0], &memory[1]};
    ring.Queue(h[0], add, nullptr); // block 0
    ring.Queue(h[1], add, nullptr); // block 1
    ring.StartWatch(0);
    EXPECT_EQ(std::vector({ring.Stalled(9999), ring.Stalled(10000)}), std::vector({0, 1}))
        << "first audio: 10 s";
    auto back = [&](int header, int block, uint32_t bytes, int done) {
        ring.HeaderBack(h[header], &memory[block * 64], bytes, done);
        ring.CountReturned();
    };
    back(0, 0, 64, 1);
    back(1, 1, 64, 0); // empty: waits 100 ms before it goes back, and is no audio
    EXPECT_EQ(ring.Stalled(10000), 0);
    for (uint32_t at : {10000, 10099, 10100})
        ring.QueueWaiting(add, nullptr, at);
    EXPECT_EQ(adds, 4) << "h0 at once, h1 after 100 ms";
    back(0, 2, 64, 1);
    EXPECT_EQ(ring.Stalled(11000), 0);
    refuse = 1; // refused: offered again every 100 ms, never counted as audio
    for (uint32_t at : {11000, 11050, 11100})
        ring.QueueWaiting(add, nullptr, at);
    EXPECT_EQ(adds, 6);
    EXPECT_EQ(std::vector({ring.Stalled(13999), ring.Stalled(14000)}), std::vector({0, 1})) << "then 3 s";

    // A worker that fell behind: the ring fills, the device gets no header for a minute, and the rule
    // counts from the block the worker frees.
    CCaptureRing full;
    full.Init(memory.data(), 64);
    refuse = 0;
    full.Queue(h[0], add, nullptr);
    full.StartWatch(0);
    for (int block = 0; block < int(kRingBlocks) - 1; ++block) {
        full.HeaderBack(h[0], &memory[block * 64], 64, 1);
        full.CountReturned();
        full.QueueWaiting(add, nullptr, 0);
    }
    EXPECT_EQ(full.Stalled(0), 0);
    full.ReleaseFilled();
    EXPECT_EQ(std::vector({full.Stalled(60000), full.Stalled(62999), full.Stalled(63000)}),
              std::vector({0, 0, 1}));
}

} // namespace
