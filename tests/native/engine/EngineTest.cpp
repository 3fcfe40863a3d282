// The recording engine over the fake device, with an encoder that copies each call's PCM through.
// The device (this thread), the capture's feeder and the job's worker run the capture ring on threads
// of their own: each file must hold exactly the samples the device reported, once and in order. Then
// the ring's stall and loss decisions, with explicit times.
#include "CaptureRing.h"
#include "FakeDevice.h"
#include "Mp3Encoder.h"
#include "Mp3File.h"

#include <thread>

// While set, encoding waits, as behind a stalled disk.
std::atomic<bool> g_bHold{false};

// Like the library, it refuses a quality it does not have. The handle tells before (1) and after (2)
// the flush, for the frame that begins the file.
int CMp3Encoder::Open(int32_t channels, int32_t, int32_t, int32_t quality) {
    m_nChannels = channels;
    m_hEncoder = reinterpret_cast<HENCODER>(1);
    return quality <= 9;
}
int32_t CMp3Encoder::EncodeFrame(const int16_t* pcm, uint32_t samples, uint8_t* out, int32_t) {
    while (g_bHold)
        std::this_thread::yield();
    std::copy_n(reinterpret_cast<const uint8_t*>(pcm), 2 * samples * m_nChannels, out);
    return static_cast<int32_t>(2 * samples * m_nChannels);
}
int32_t CMp3Encoder::Flush(uint8_t* out, int32_t) {
    m_hEncoder = reinterpret_cast<HENCODER>(2);
    std::copy_n("FLUSH", 5, out);
    return 5;
}
int32_t CMp3Encoder::InfoFrame(uint8_t* out, int32_t) {
    std::copy_n(m_hEncoder == reinterpret_cast<HENCODER>(1) ? "HOLD" : "INFO", 4, out);
    return 4;
}
void CMp3Encoder::Close() {
    delete this;
}

namespace {

// What ends every file: the flush and the tag.
const std::string kTag = "TAG" + std::string(60, 0) + "kavel.example" + std::string(52, 0),
                  kEnd = "FLUSH" + kTag;

class JobTest : public CJobTest {
    void TearDown() override {
        g_bHold = false;
        CJobTest::TearDown();
    }
};

TEST_F(JobTest, TheFileHoldsTheSamplesTheDeviceReportedOnceAndInOrder) {
    // How the header of block 25, in the second lap, comes back: bytes, done flag (1), after how many
    // later ones (short and late; no done flag, out of order; more than the block); or how many adds
    // the device then refuses; or whether the worker stalls there for 120 blocks, over 30 s of audio at
    // every rate (a quarter second a block at most), which the ring must cover.
    const struct {
        DWORD bytes, done, lateBy = 0, refused = 0, stall = 0;
    } rows[] = {{kFrame + 9, 1, 3}, {kBlock, 0, 1}, {3 * kFrame, 1}, {kBlock, 1, 0, 3}, {kBlock, 1, 0, 0, 1}};
    for (auto [faultBytes, done, lateBy, refused, stall] : rows) {
        ASSERT_TRUE(Started(L"a", 1));
        std::string expected;
        WAVEHDR* late = nullptr;
        for (DWORD block = 0; block < 150; ++block) {
            if (block == 25) {
                ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 4 + 25 * kBlock; }));
                fakewin::refuseAdds = refused;
                g_bHold = stall;
            }
            g_bHold = g_bHold && block < 25 + 120;
            const DWORD bytes = block == 25 ? faultBytes : kBlock, recorded = std::min(bytes, kBlock);
            WAVEHDR* header = Record(bytes);
            if (block != 25 || done)
                expected += g_Recorded.substr(g_Recorded.size() - recorded, recorded / 2 * 2);
            if (block == 25 && lateBy)
                late = header;
            else
                fakewin::Back(fakewin::device, header, bytes, block == 25 ? done : WHDR_DONE);
            if (late && block == 25 + lateBy)
                fakewin::Back(fakewin::device, late, faultBytes, done);
        }
        // Every header goes back to the device, also those that came back to a full ring, and the ring
        // covered the stall.
        EXPECT_TRUE(WaitUntil([] { return Held() == kDeviceHeaders; }) && m_pJob->GetLostMs() == 0);
        std::exchange(m_pJob, nullptr)->Stop();
        EXPECT_EQ(Read("a"), "INFO" + expected + kEnd)
            << faultBytes << " " << done << " " << lateBy << " " << refused;
    }
}

TEST_F(JobTest, SwitchFileGoesOnInTheNextFileWithoutAGapAndTheCountIsWhatTheFileTook) {
    // A block is two frames of two channels, 288 ms of audio: the file is flushed to the disk at the
    // seventh block (2 s of audio), and once more when it is closed.
    ASSERT_TRUE(Started(L"a", 2));
    for (int block = 0; block < 7; ++block)
        RunBlock();
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 4 + 14 * kBlock; }));
    EXPECT_TRUE(WaitUntil([] { return fakewin::flushes == 1; }));
    // The level comes from every sample the encoder took: numbered 0 to 32255, 2016 ms at 8000 Hz.
    const SLevelReading level = m_pJob->ReadLevel();
    EXPECT_EQ(std::vector({level.peak, level.newMs}), std::vector({32255u, 2016u}));
    ASSERT_EQ(m_pJob->SwitchFile(L"b", &m_Fault), 1);
    EXPECT_EQ(m_pJob->GetWrittenBytes(), 0u);
    // The count starts again with the file, which is written while the finished one still goes onto
    // a slow disk as it is closed.
    fakewin::slowFlushMs = 1500; // well within the 3 s in which a device without audio is gone
    RunBlock();
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 4 + 2 * kBlock; }, 1000));
    EXPECT_TRUE(WaitUntil([] { return fakewin::flushes == 2; })) << "the finished file, as it closed";
    std::ofstream("c") << "old";
    EXPECT_EQ(m_pJob->SwitchFile(L"c", &m_Fault), 0) << "an existing file is never replaced";
    EXPECT_EQ(std::vector({m_Fault.kind, int32_t(m_Fault.code)}),
              std::vector({int32_t{kJobFileCreate}, EEXIST}));
    ASSERT_EQ(m_pJob->SwitchFile(L"d", &m_Fault), 1);
    RunBlock();
    // A frame and a bit, and half a sample frame, in the header being filled, handed back after the
    // stop: every whole sample is kept.
    fakewin::partialBytes = 2 * kFrame + 1002;
    Record(fakewin::partialBytes, false);
    std::exchange(m_pJob, nullptr)->Stop();
    EXPECT_EQ(Read("a"), "INFO" + g_Recorded.substr(0, 14 * kBlock) + kEnd);
    EXPECT_EQ(Read("b"), "INFO" + g_Recorded.substr(14 * kBlock, 2 * kBlock) + kEnd);
    EXPECT_EQ(Read("d"), "INFO" + g_Recorded.substr(16 * kBlock, 2 * kBlock + 2 * kFrame + 1000) + kEnd);
}

// The output file unit: what the disk took is what it holds and counts, the Info frame goes over the
// place holder only when every write was taken and it fits, the tag comes last, and the file goes
// through its handle only where the system grants the right to delete it.
TEST_F(JobTest, TheOutputFileHoldsWhatTheDiskTookAndStatesALengthOnlyWhenWhole) {
    // The write the disk refuses (0: the place holder), the Info frame offered, whether the right to
    // delete is refused, whether the file is then removed, and what it holds in the end.
    const struct {
        int refused;
        std::string info;
        bool noDeleteRight, remove;
        std::string held;
    } rows[] = {{-1, "INFO", false, false, "INFOabcde" + kTag},
                {2, "INFO", false, false, "HOLDabc" + kTag},
                {0, "INFO", false, false, "abcde" + kTag},
                {-1, "INFORMATION", false, false, "HOLDabcde" + kTag},
                {-1, "INFO", false, true, ""},
                {-1, "INFO", true, true, "HOLDabcde"}};
    for (const auto& row : rows) {
        fakewin::Reset();
        fakewin::noDeleteRight = row.noDeleteRight;
        fakewin::failWrites = row.refused == 0;
        std::ofstream("f") << "an older file";
        CMp3File* file = CMp3File::Create(L"f", 1, reinterpret_cast<const uint8_t*>("HOLD"), 4, &m_Fault);
        ASSERT_NE(file, nullptr);
        uint64_t took = row.refused == 0 ? 0 : 4;
        for (int write : {1, 2}) {
            fakewin::failWrites = row.refused == write;
            file->Write(reinterpret_cast<const uint8_t*>(write == 1 ? "abc" : "de"), 4 - write);
            took += row.refused == write ? 0 : 4 - write;
            EXPECT_EQ(std::vector({uint64_t(file->IsFailing()), file->Bytes()}),
                      std::vector({uint64_t(row.refused == write), took}));
        }
        file->Flush();
        if (row.remove)
            EXPECT_EQ(file->Remove(), !row.noDeleteRight);
        else
            file->Finish(reinterpret_cast<const uint8_t*>(row.info.data()), uint32_t(row.info.size()));
        delete file;
        EXPECT_EQ(fakewin::flushes, row.remove ? 1 : 2) << "asked, and as it closes";
        EXPECT_EQ(Read("f"), row.held);
    }
}

TEST_F(JobTest, AJobThatCannotStartSaysWhyAndLeavesAnExistingFileUntouched) {
    std::ofstream("a") << "old";
    // Device open result, device start result, quality, file; then the fault expected: its kind and code.
    const std::tuple<uint32_t, uint32_t, int32_t, const wchar_t*, int32_t, uint32_t> rows[] = {
        {1, 0, 5, L"a", kJobDeviceOpen, 1}, // MMSYSERR_ERROR: blocked by the privacy setting
        {0, 0, 10, L"a", kJobEncoder, 0},   // a quality the encoder does not have
        {0, 4, 5, L"a", kJobDeviceStart, 4},
        {0, 0, 5, L"missing/a", kJobFileCreate, ENOENT}};
    for (const auto& [open, start, quality, file, kind, code] : rows) {
        std::tie(fakewin::openResult, fakewin::startResult) = std::tie(open, start);
        SJobFault fault;
        CJobCenter* job = CJobCenter::Create(file, 0, quality, 1, 8000, 2, 1, &fault);
        if (job && !job->Start(&fault))
            std::exchange(job, nullptr)->Stop();
        EXPECT_EQ(std::tuple(job, fault.kind, fault.code), std::tuple(nullptr, kind, code)) << open << start;
    }
    EXPECT_EQ(Read("a"), "old");
}

TEST_F(JobTest, ADeviceThatKeepsItsHeadersFailsTheJobWithAFinishedFileAndIsClosedOnceTheyAreBack) {
    fakewin::keepOnReset = true;
    ASSERT_TRUE(Started(L"a", 1));
    RunBlock();
    // Once the worker has seen the audio, an hour asleep passes on the tick count but not on the awake
    // clock the rule runs on.
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 4 + kBlock; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    fakewin::asleepMs = 3600000;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(m_pJob->HasFailed()) << "time asleep counted as time without audio";
    EXPECT_TRUE(WaitUntil([&] { return m_pJob->HasFailed(); })) << "after 3 s without audio";
    EXPECT_TRUE(WaitUntil([] { return Read("a") == "INFO" + g_Recorded + kEnd; }))
        << "finished before the stop";
    // The stop gives up waiting after 1 s; the device is closed once it hands its headers back.
    HWAVEIN device = fakewin::device;
    std::exchange(m_pJob, nullptr)->Stop();
    EXPECT_EQ(fakewin::closes, 0);
    fakewin::keepOnReset = false;
    waveInReset(device);
    EXPECT_TRUE(WaitUntil([] { return fakewin::closes == 1; }));
}

TEST_F(JobTest, TheStopNeverFreesTheCaptureWhileACallbackStillRuns) {
    // The last header back at the stop comes with a callback slow at each event it sets: briefly, and
    // for longer than the stop waits, when the capture is closed only once the callback has ended.
    for (DWORD slowMs : {100u, 1100u}) {
        fakewin::closes = 0;
        fakewin::slowLastReturnMs = slowMs;
        ASSERT_TRUE(Started(L"a", 1));
        RunBlock();
        std::exchange(m_pJob, nullptr)->Stop();
        EXPECT_EQ(fakewin::closes, slowMs < 1000 ? 1 : 0);
        fakewin::JoinReturns(); // the callback ends, touching what it touches
        EXPECT_TRUE(WaitUntil([] { return fakewin::closes == 1; })) << slowMs;
    }
}

// Headers handed back two at a time from two threads, as a reset's returns on the caller's thread meet
// the driver's thread; then a reset that hands back the headers the device held without filling them,
// leaving their counts alone: nothing stale is encoded.
TEST_F(JobTest, OverlappingReturnsAndUnfilledHeadersBringNothingStale) {
    fakewin::resetLeavesCount = true;
    ASSERT_TRUE(Started(L"a", 1));
    for (int pair = 0; pair < 300; ++pair) {
        WAVEHDR* first = Record(kBlock);
        WAVEHDR* second = Record(kBlock);
        std::thread driver([&] { fakewin::Back(fakewin::device, second, kBlock); });
        fakewin::Back(fakewin::device, first, kBlock);
        driver.join();
    }
    std::exchange(m_pJob, nullptr)->Stop();
    EXPECT_EQ(Read("a"), "INFO" + g_Recorded + kEnd);
}

// The worker held up for longer than the ring holds: the device goes without headers, and what it
// could not record is counted.
TEST_F(JobTest, AStallPastTheRingIsCountedAsLostAudio) {
    ASSERT_TRUE(Started(L"a", 1));
    RunBlock();
    ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() == 4 + kBlock; }));
    g_bHold = true;
    for (int block = 0; WaitUntil([] { return Held() > 0; }, 200); ++block) {
        // The last return, when the ring is full: the feeder may look before it is counted.
        fakewin::slowEventMs = block > 120 && Held() == 1 ? 50 : 0;
        RunBlock();
    }
    fakewin::slowEventMs = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    g_bHold = false;
    RunBlock();
    EXPECT_GE(m_pJob->GetLostMs(), 100u);
}

// The device rule with explicit times on the awake clock, over a device that keeps its headers, hands
// them back empty or refuses them, and behind a ring the worker let fill up; then the loss watch.
TEST(CaptureRing, GoneAfter3sWithoutAudioButNotWhileTheRingIsFullAndLossIsTimed) {
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
    auto back = [](CCaptureRing& r, void* header, uint8_t* block, uint32_t bytes, int done) {
        r.HeaderBack(header, block, bytes, done);
        r.CountReturned();
    };
    back(ring, h[0], &memory[0], 0, 1);   // empty: waits 100 ms before it goes back, and is no audio
    back(ring, h[1], &memory[64], 64, 0); // no done flag: no audio either
    for (uint32_t at : {0, 99, 100})
        ring.QueueWaiting(add, nullptr, at);
    EXPECT_EQ(adds, 4) << "both after 100 ms";
    EXPECT_EQ(std::vector({ring.Stalled(9999), ring.Stalled(10000)}), std::vector({0, 1}))
        << "empty returns are no sign of life";
    back(ring, h[0], &memory[2 * 64], 64, 1);
    EXPECT_EQ(ring.Stalled(11000), 0);
    back(ring, h[1], &memory[3 * 64], 0, 1);
    refuse = 1; // refused: offered again every 100 ms, never counted as audio
    for (uint32_t at : {11000, 11050, 11100})
        ring.QueueWaiting(add, nullptr, at);
    EXPECT_EQ(adds, 6);
    EXPECT_EQ(std::vector({ring.Stalled(13999), ring.Stalled(14000)}), std::vector({0, 1})) << "then 3 s";

    // A worker that fell behind: the ring fills, the device gets no header for a minute, and the rule
    // counts from the block the worker frees; the minute is the loss.
    CCaptureRing full;
    full.Init(memory.data(), 64);
    refuse = 0;
    full.Queue(h[0], add, nullptr);
    full.StartWatch(0);
    for (int block = 0; block < int(kRingBlocks) - 1; ++block) {
        back(full, h[0], &memory[block * 64], 64, 1);
        full.QueueWaiting(add, nullptr, 1000);
    }
    EXPECT_EQ(std::vector({full.Stalled(0), int(full.LostMs(1000)), int(full.LostMs(31000))}),
              std::vector({0, 0, 30000}));
    full.ReleaseFilled();
    full.QueueWaiting(add, nullptr, 61000);
    EXPECT_EQ(std::vector({full.Stalled(61000), full.Stalled(63999), full.Stalled(64000)}),
              std::vector({0, 0, 1}));
    EXPECT_EQ(full.LostMs(90000), 60000u) << "ended when the device got a header again";
    ASSERT_EQ(full.TakeFilled().bytes, 64u);
}

} // namespace
