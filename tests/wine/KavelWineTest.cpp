// What only Windows shows: ca.dll's thirteen operations bound by ordinal, and a real capture from
// PulseAudio's null sink through the wave-input service, encoded through ca.dll and switched into
// new files that must follow each other without a gap (tests/support/check_audio.py decodes them);
// a name lookup that outlives the update check's Winsock cleanup.
// HostLookup.h first: it brings winsock2.h, which must come before windows.h.
#include "HostLookup.h"
#include "JobCenter.h"
#include "WineUnix.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <memory>

TEST(CaDll, ThirteenOperationsExportedByOrdinalOnly) {
    // Bound at load time, like the program does.
    for (WORD ordinal : {1, 4, 6, 22, 24, 41, 75, 139, 148, 149, 155, 156, 164})
        EXPECT_NE(GetProcAddress(GetModuleHandleW(L"ca.dll"), MAKEINTRESOURCEA(ordinal)), nullptr) << ordinal;
    EXPECT_EQ(GetProcAddress(GetModuleHandleW(L"ca.dll"), "EncoderCreate"), nullptr);
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
                          "sox -R -n -r 8000 -b 16 -e signed noise.raw synth 30 whitenoise sinc 100-3000 && "
                          "exec pacat --device=kv_sink --rate=8000 --channels=1 <noise.raw & echo $! >pid"));

    SJobFault fault;
    std::unique_ptr<CJobCenter, void (*)(CJobCenter*)> job(
        CJobCenter::Create(L"a.mp3", 0, 5, 1, 8000, 2, 0, &fault), [](CJobCenter* j) { j->Stop(); });
    ASSERT_TRUE(job && job->Start(&fault));
    for (int waited = 0; job->GetWrittenBytes() == 0 && waited < 5000; waited += 20)
        Sleep(20);
    for (const wchar_t* next : {L"b.mp3", L"c.mp3"}) {
        Sleep(2000);
        EXPECT_EQ(job->SwitchFile(next, &fault), 1);
    }
    Sleep(2000);
    // The count is what the current file took; the stop adds the rest of the ring, the flush and the tag.
    const uint64_t written = job->GetWrittenBytes();
    job.reset();
    const auto size = std::filesystem::file_size("c.mp3");
    EXPECT_TRUE(size >= written + 128 && size < written + 128 + 4000) << size << " bytes, " << written;
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
