// What only Windows shows: ca.dll's operations taken by their ordinal numbers, the version resource
// of both binaries, and a real capture from PulseAudio's null sink through the wave-input service,
// encoded through ca.dll and switched into new files that must follow each other without a gap
// (tests/support/check_audio.py decodes them); a name lookup that outlives the update check's Winsock
// cleanup.
// HostLookup.h first: it brings winsock2.h, which must come before windows.h.
#include "EncoderLib.h"
#include "HostLookup.h"
#include "JobCenter.h"
#include "KavelVersion.h"
#include "WineUnix.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <atomic>
#include <filesystem>
#include <memory>
#include <vector>

template <typename Fn = int32_t (*)(HENCODER, int32_t)> static Fn Op(WORD ordinal) {
    const FARPROC address = GetProcAddress(GetModuleHandleW(L"ca.dll"), MAKEINTRESOURCEA(ordinal));
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
}

// The numbers are the library's contract (engine/EncoderLib.h), not only what our import library
// says: a mono and a stereo instance, set up and fed as the program does, write frames whose headers
// carry the settings. Two operations swapped in ca.def set or encode the wrong thing, or fail.
TEST(CaDll, EncodesThroughTheOperationsTakenByTheirNumbers) {
    // Channels, mode, rate, kbit/s, the encoding operation; the frame header's MPEG version, bit
    // rate index, rate index and channel mode.
    const struct {
        int32_t channels, mode, rateHz, kbps;
        WORD encode;
        std::array<int, 4> header;
    } rows[] = {{1, 3, 22050, 40, 148, {2, 5, 0, 3}}, {2, 1, 44100, 128, 149, {3, 9, 0, 1}}};
    for (const auto& row : rows) {
        HENCODER h = Op<decltype(&EncoderCreate)>(1)();
        ASSERT_NE(h, nullptr);
        for (auto [ordinal, value] :
             {std::pair{6, row.channels}, {24, row.mode}, {4, row.rateHz}, {75, 0}, {41, row.kbps}, {22, 5}})
            EXPECT_EQ(Op(ordinal)(h, value), 0) << ordinal;
        EXPECT_EQ(Op<decltype(&EncoderPrepare)>(139)(h), 0);
        EXPECT_EQ(Op<decltype(&EncoderPostPrepare)>(156)(h), 0);
        std::vector<int16_t> pcm(2 * 1152, 1000);
        std::vector<uint8_t> mp3, out(8641);
        for (int call = 0; call < 20; ++call) {
            const int32_t bytes =
                row.encode == 148
                    ? Op<decltype(&EncoderEncodeChannels)>(148)(h, pcm.data(), pcm.data(), 1152, out.data(),
                                                                8641)
                    : Op<decltype(&EncoderEncodeInterleaved)>(149)(h, pcm.data(), 1152, out.data(), 8641);
            ASSERT_GE(bytes, 0) << row.encode;
            mp3.insert(mp3.end(), out.begin(), out.begin() + bytes);
        }
        EXPECT_GT(Op<decltype(&EncoderFlush)>(155)(h, out.data(), 7200), 0);
        EXPECT_EQ(Op<decltype(&EncoderClose)>(164)(h), 0);
        ASSERT_GT(mp3.size(), 4u);
        EXPECT_EQ(mp3[0], 0xFF); // a plain stream: a frame first, no tag
        EXPECT_EQ((std::array{mp3[1] >> 3 & 3, mp3[2] >> 4, mp3[2] >> 2 & 3, mp3[3] >> 6}), row.header);
    }
    EXPECT_EQ(GetProcAddress(GetModuleHandleW(L"ca.dll"), "EncoderCreate"), nullptr) << "by number only";
}

// Explorer's Details tab shows both binaries' names and the project version.
TEST(VersionResource, BothBinariesCarryTheProjectVersionAndTheirNames) {
    wchar_t self[MAX_PATH]; // the product folder lies beside this program's (a case may move the current one)
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (const wchar_t* name : {L"Kavel.exe", L"ca.dll"}) {
        const std::wstring path = std::filesystem::path(self).parent_path().parent_path() / L"Kavel" / name;
        std::vector<char> info(GetFileVersionInfoSizeW(path.c_str(), nullptr));
        ASSERT_TRUE(!info.empty() && GetFileVersionInfoW(path.c_str(), 0, info.size(), info.data())) << name;
        void* value[3] = {};
        UINT units = 0;
        for (int i = 0; const wchar_t* key : {L"\\", L"\\StringFileInfo\\040904B0\\ProductVersion",
                                              L"\\StringFileInfo\\040904B0\\OriginalFilename"})
            VerQueryValueW(info.data(), key, &value[i++], &units);
        ASSERT_TRUE(value[0] && value[1] && value[2]) << name;
        EXPECT_EQ(static_cast<VS_FIXEDFILEINFO*>(value[0])->dwFileVersionMS,
                  static_cast<DWORD>(KAVEL_VERSION_MAJOR << 16 | KAVEL_VERSION_MINOR));
        EXPECT_EQ(std::wstring(static_cast<wchar_t*>(value[1])), L"" KAVEL_VERSION_TEXT);
        EXPECT_EQ(std::wstring(static_cast<wchar_t*>(value[2])), name);
    }
}

// Until the job's current file took at least `bytes`, for at most 20 s of real time: waited for, not
// slept, so a busy machine only makes the files longer.
static bool Took(CJobCenter& job, uint64_t bytes) {
    for (const ULONGLONG end = GetTickCount64() + 20000; job.GetWrittenBytes() < bytes; Sleep(20))
        if (GetTickCount64() > end)
            return false;
    return true;
}

TEST(Capture, SwitchedFilesFollowEachOtherWithoutAGap) {
    // A stop that never returns must not hold the level up: the program ends after a minute.
    HANDLE watchdog = nullptr;
    CreateTimerQueueTimer(
        &watchdog, nullptr, [](PVOID, BOOLEAN) { std::_Exit(124); }, nullptr, 60000, 0, 0);
    const std::wstring dir = L"Z:\\tmp\\kavel-wine-" + std::to_wstring(GetTickCount64()); // Wine reuses ids
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr) && SetCurrentDirectoryW(dir.c_str()));
    // Band-limited noise into the null sink whose monitor is the default capture device, until the end.
    struct Player {
        std::wstring dir;
        ~Player() { StartUnix(dir, "kill $(cat pid); rm -r $PWD"); }
    } player{dir};
    ASSERT_TRUE(StartUnix(dir,
                          "sox -R -n -r 8000 -b 16 -e signed noise.raw synth 60 whitenoise sinc 100-3000 && "
                          "exec pacat --device=kv_sink --rate=8000 --channels=1 <noise.raw & echo $! >pid"));

    // 16 kbit/s: each file takes 2 s of sound.
    SJobFault fault;
    std::unique_ptr<CJobCenter, void (*)(CJobCenter*)> job(
        CJobCenter::Create(L"a.mp3", 0, 5, 1, 8000, 2, 0, &fault), [](CJobCenter* j) { j->Stop(); });
    ASSERT_TRUE(job && job->Start(&fault));
    ASSERT_TRUE(Took(*job, 4000));
    for (const wchar_t* next : {L"b.mp3", L"c.mp3"}) {
        EXPECT_EQ(job->SwitchFile(next, &fault), 1);
        ASSERT_TRUE(Took(*job, 4000)) << "no sound into the next file";
    }
    // The count is what the current file took: never more than the file holds, and the file holds
    // at most the one write under way beyond it. The stop adds the rest of the ring, the flush and the tag.
    const uint64_t before = job->GetWrittenBytes();
    const auto size = std::filesystem::file_size("c.mp3");
    const uint64_t after = job->GetWrittenBytes();
    EXPECT_TRUE(before <= size && size <= after + 1500) << before << " " << size << " " << after;
    job.reset();
    EXPECT_GE(std::filesystem::file_size("c.mp3"), after + 128);
    EXPECT_EQ(RunUnix(dir, kCheckAudio + "spans noise.raw a.mp3 b.mp3 c.mp3"), 0);
}

// The fetch gives up on a slow lookup and the check cleans Winsock up; the lookup, still running,
// must find the name all the same (Wine, like Windows, refuses calls once Winsock has ended).
TEST(NameLookup, OutlivesTheCheckCleanup) {
    static std::atomic<int> found{-1};
    const HostResolver late = [](const char* host, in_addr* address) {
        Sleep(300);
        return found = ResolveIPv4(host, address);
    };
    in_addr address;
    {
        CSocketsReference check;
        const CFetchDeadline deadline(TickCountMs() - kFetchDeadlineMs + 100); // 100 ms left
        EXPECT_EQ(LookUpHost("localhost", late, deadline, &address), 0);
    }
    for (int waited = 0; found < 0 && waited < 5000; waited += 20)
        Sleep(20);
    EXPECT_EQ(found, 1);
}
