// Playing the stand-in wave-input device (tests/fakewin) from a test: it records into the oldest
// header it holds what the source gives, hands headers back, and keeps all it recorded. The fixture
// gives each test program a folder of its own and starts every case with the stand-in's hooks reset.
#pragma once
#include "JobCenter.h"

#include <gtest/gtest.h>
#include <mmsystem.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

// Bytes of a frame and of a block at 8000 Hz, one channel.
constexpr DWORD kFrame = 2304, kBlock = 2 * kFrame;

inline std::string g_Recorded; // all the device recorded
inline std::function<int16_t(size_t)> g_Source = [](size_t i) { return int16_t(i); }; // sample i

template <typename Pred> bool WaitUntil(Pred pred, int timeoutMs = 5000) {
    for (int ms = 0; ms < timeoutMs; ++ms, std::this_thread::sleep_for(std::chrono::milliseconds(1)))
        if (pred())
            return true;
    return false;
}
// The headers the device holds.
inline size_t Held() {
    std::lock_guard lock(fakewin::device->mutex);
    return fakewin::device->queued.size();
}
// The device records into the oldest header it holds, once it holds one, and takes it unless told.
inline WAVEHDR* Record(DWORD bytes, bool take = true) {
    WaitUntil([] { return Held() > 0; });
    std::lock_guard lock(fakewin::device->mutex);
    WAVEHDR* header = fakewin::device->queued.at(0); // throws when the device was left without
    if (take)
        fakewin::device->queued.pop_front();
    bytes = std::min(bytes, header->dwBufferLength);
    for (DWORD i = 0; i < bytes / 2; ++i)
        reinterpret_cast<int16_t*>(header->lpData)[i] = g_Source(g_Recorded.size() / 2 + i);
    g_Recorded.append(header->lpData, bytes);
    return header;
}
inline void RunBlock() {
    WAVEHDR* header = Record(~0u);
    fakewin::Back(fakewin::device, header, header->dwBufferLength);
}
inline std::string Read(const std::string& name) {
    return std::string(std::istreambuf_iterator<char>(std::ifstream(name, std::ios::binary).rdbuf()), {});
}

class CJobTest : public testing::Test {
  protected:
    // A folder of the program's own, whose files the cases may remove.
    static void SetUpTestSuite() {
        const auto folder = std::filesystem::path(testing::TempDir()) / ("kavel-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
    }
    void SetUp() override {
        g_Recorded.clear();
        fakewin::Reset();
    }
    // Stops the job on every path: one left running would hang the program.
    void TearDown() override {
        if (m_pJob)
            std::exchange(m_pJob, nullptr)->Stop();
        fakewin::JoinReturns();
        for (const auto& entry : std::filesystem::directory_iterator("."))
            std::filesystem::remove(entry.path());
    }
    CJobCenter* Started(const wchar_t* name, int32_t channels, int32_t rate = 8000, int32_t factor = 3) {
        m_pJob = CJobCenter::Create(name, 0, 5, channels, rate, factor, 1, &m_Fault);
        return m_pJob && m_pJob->Start(&m_Fault) ? m_pJob : nullptr;
    }

    CJobCenter* m_pJob = nullptr;
    SJobFault m_Fault;
};
