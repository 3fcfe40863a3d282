// The recording job over the fake device, which records numbered samples, with an encoder that
// copies each frame's PCM through: what reaches each file, in which order, what the byte count
// says, and what a failure leaves behind.
#include "JobCenter.h"
#include "Mp3Encoder.h"
#include "RingMath.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {
bool g_bFailOpen = false;
std::array<int32_t, 4> g_LastOpen = {}; // channels, sample rate, kbit/s, quality
} // namespace

int CMp3Encoder::Open(int32_t channels, int32_t sampleRateHz, int32_t bitRateKbps, int32_t quality) {
    m_nChannels = channels;
    g_LastOpen = {channels, sampleRateHz, bitRateKbps, quality};
    return !g_bFailOpen;
}
int32_t CMp3Encoder::EncodeFrame(const int16_t* pcm, uint8_t* out, int32_t) {
    std::memcpy(out, pcm, kSamplesPerCall * 2 * m_nChannels);
    return kSamplesPerCall * 2 * m_nChannels;
}
int32_t CMp3Encoder::Flush(uint8_t* out, int32_t) {
    std::memcpy(out, "FLUSH", 5);
    return 5;
}
void CMp3Encoder::Close() {
    delete this;
}

namespace {

constexpr uint16_t kFrame = 1152, kBlock = 2 * kFrame; // samples per channel at 8000 Hz
uint16_t g_nNextSample = 0;

void Record(WAVEHDR* header, DWORD bytes) {
    for (DWORD i = 0; i < bytes / 2; ++i)
        reinterpret_cast<uint16_t*>(header->lpData)[i] = g_nNextSample++;
}

std::string Samples(uint16_t first, uint16_t end) {
    std::string bytes;
    for (uint16_t n = first; n != end; ++n)
        bytes += {char(n & 0xFF), char(n >> 8)};
    return bytes;
}
// What ends every file: the flush mark and the tag.
const std::string kEnd =
    "FLUSH" + std::string(128, '\0').replace(0, 3, "TAG").replace(63, 13, "kavel.example");

std::filesystem::path Path(const char* name) {
    return std::filesystem::temp_directory_path() / (std::string("kavel_job_") + name);
}
std::string Read(const char* name) {
    std::ifstream file(Path(name), std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
}

template <typename Pred> bool WaitUntil(Pred pred) {
    for (int ms = 0; ms < 5000; ++ms, std::this_thread::sleep_for(std::chrono::milliseconds(1)))
        if (pred())
            return true;
    return false;
}

// The device fills the oldest header it holds and hands it back.
void RunBlock() {
    std::lock_guard lock(fakewin::device->mutex);
    WAVEHDR* header = fakewin::device->queued.at(0); // the feeder gives it back at once
    fakewin::device->queued.pop_front();
    Record(header, header->dwBufferLength);
    fakewin::Back(fakewin::device, header, header->dwBufferLength);
}

class JobTest : public testing::Test {
  protected:
    void SetUp() override {
        g_nNextSample = 0;
        fakewin::startResult = fakewin::partialBytes = 0;
        fakewin::keepOnReset = g_bFailOpen = fakewin::failNextThread = false;
    }
    // Stops the job on every path: one left running would hang the program.
    void TearDown() override {
        if (m_pJob)
            std::exchange(m_pJob, nullptr)->Stop();
        for (const char* name : {"a", "b", "c", "d"})
            std::filesystem::remove(Path(name));
    }
    void Start(int channels) {
        m_pJob = CJobCenter::Create(Path("a").wstring().c_str(), 0, 5, channels, 8000, 2, 1);
        ASSERT_NE(m_pJob, nullptr);
        ASSERT_EQ(m_pJob->Start(), 1);
    }
    bool WaitForBytes(uint32_t bytes) {
        return WaitUntil([&] { return m_pJob->GetWrittenBytes() == bytes; });
    }

    CJobCenter* m_pJob = nullptr;
};

TEST_F(JobTest, SwitchFileGoesOnInTheNextFileWithEveryBlockOnceInOrderAndCountsWhatTheFileTook) {
    ASSERT_NO_FATAL_FAILURE(Start(2)); // a block is 2 x kBlock samples
    EXPECT_EQ(g_LastOpen, (std::array<int32_t, 4>{2, 8000, 16, 5}));
    RunBlock();
    ASSERT_TRUE(WaitForBytes(2 * kBlock * 2));
    ASSERT_EQ(m_pJob->SwitchFile(Path("b").wstring().c_str()), 1);
    EXPECT_EQ(m_pJob->GetWrittenBytes(), 0u);
    RunBlock();
    ASSERT_TRUE(WaitForBytes(2 * kBlock * 2)) << "the count starts again with the file";
    fakewin::failWrites = true; // a full disk
    RunBlock();
    ASSERT_TRUE(WaitUntil([] { return fakewin::failedWrites == 2; }));
    fakewin::failWrites = false;
    RunBlock();
    ASSERT_TRUE(WaitForBytes(2 * 2 * kBlock * 2)) << "only what the file took";
    std::ofstream(Path("c")) << "old";
    EXPECT_EQ(m_pJob->SwitchFile(Path("c").wstring().c_str()), 0) << "an existing file is never replaced";
    EXPECT_EQ(m_pJob->SwitchFile(Path("missing/d").wstring().c_str()), 0);
    EXPECT_EQ(Read("c"), "old");
    ASSERT_EQ(m_pJob->SwitchFile(Path("d").wstring().c_str()), 1);
    RunBlock();
    {
        std::lock_guard lock(fakewin::device->mutex);
        fakewin::partialBytes = 4 * kFrame + 1000; // a frame and a bit, handed back after the stop
        Record(fakewin::device->queued.front(), fakewin::partialBytes);
    }
    std::exchange(m_pJob, nullptr)->Stop();
    EXPECT_EQ(Read("a"), Samples(0, 2 * kBlock) + kEnd);
    EXPECT_EQ(Read("b"), Samples(2 * kBlock, 4 * kBlock) + Samples(6 * kBlock, 8 * kBlock) + kEnd);
    EXPECT_EQ(Read("d"), Samples(8 * kBlock, 10 * kBlock + 2 * kFrame) + kEnd)
        << "the whole frames of the last";
}

TEST_F(JobTest, ADeviceThatStopsDeliveringFailsTheJobWithAFinishedFile) {
    ASSERT_NO_FATAL_FAILURE(Start(1));
    RunBlock();
    RunBlock();
    EXPECT_TRUE(WaitUntil([&] {
        fakewin::tickOffsetMs += 100; // time runs a hundred times faster
        return m_pJob->HasFailed() == 1;
    }));
    EXPECT_TRUE(WaitUntil([] { return Read("a") == Samples(0, 2 * kBlock) + kEnd; })) << "before the stop";
}

TEST_F(JobTest, AJobThatCannotStartLeavesNoFileAndAnExistingOneUntouched) {
    const struct {
        bool failEncoder;
        MMRESULT startResult;
        bool failThread;
        const char* file; // before and after
    } rows[] = {{true, 0, false, "old"}, {false, 1, false, "old"}, {false, 0, true, "(none)"}};
    for (auto row : rows) {
        std::filesystem::remove(Path("a"));
        if (row.file[0] != '(')
            std::ofstream(Path("a")) << row.file;
        g_bFailOpen = row.failEncoder;
        fakewin::startResult = row.startResult;
        CJobCenter* job = CJobCenter::Create(Path("a").wstring().c_str(), 0, 5, 1, 8000, 2, 1);
        EXPECT_EQ(job == nullptr, row.failEncoder);
        fakewin::failNextThread = row.failThread;
        if (job) {
            EXPECT_EQ(job->Start(), 0);
            job->Stop();
        }
        EXPECT_EQ(Read("a"), row.file) << row.failEncoder << row.startResult << row.failThread;
    }
}

TEST_F(JobTest, AHeaderTheDeviceKeepsPastTheStopKeepsTheRingAlive) {
    fakewin::keepOnReset = true;
    ASSERT_NO_FATAL_FAILURE(Start(1));
    RunBlock();
    [[maybe_unused]] static HWAVEIN kept = fakewin::device; // on purpose, with all it holds: no leak
    std::exchange(m_pJob, nullptr)->Stop();                 // gives up waiting for the headers after 1 s
    EXPECT_EQ(Read("a"), Samples(0, kBlock) + kEnd);
    RunBlock(); // records into the ring and calls back into the capture object
}

} // namespace
