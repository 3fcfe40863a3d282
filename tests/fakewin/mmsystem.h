// Test-only stand-in for the wave-input calls: the device is the queue of headers it was given; the
// test plays it, recording into them and handing them back with fakewin::Back. A reset hands every
// header back a little after it returned, as Windows may, from a thread of its own.
#pragma once
#include <windows.h>

#include <deque>
#include <mutex>
#include <thread>
#include <vector>

typedef UINT MMRESULT;
constexpr UINT MMSYSERR_NOERROR = 0, MMSYSERR_ERROR = 1, MMSYSERR_INVALHANDLE = 5, MMSYSERR_NOMEM = 7,
               WAVERR_BADFORMAT = 32, WAVERR_STILLPLAYING = 33, WAVE_FORMAT_PCM = 1, CALLBACK_FUNCTION = 0,
               WIM_DATA = 0x3C0, WHDR_DONE = 1, WHDR_PREPARED = 2;
struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength, dwBytesRecorded, dwFlags, dwLoops;
};
struct WAVEFORMATEX {
    WORD wFormatTag, nChannels, nBlockAlign, wBitsPerSample, cbSize;
    DWORD nSamplesPerSec, nAvgBytesPerSec;
};
typedef struct FakeWaveIn {
    void (*callback)(FakeWaveIn*, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
    DWORD_PTR instance;
    std::mutex mutex{};
    std::deque<WAVEHDR*> queued{};
} * HWAVEIN;

namespace fakewin {
inline HWAVEIN device = nullptr; // the one opened last
// What the device open and start return; what a reset reports recorded into the oldest header.
inline uint32_t openResult = 0, startResult = 0, partialBytes = 0;
inline bool keepOnReset = false;       // a reset leaves the headers with the device, which keeps them
inline bool resetLeavesCount = false;  // a reset hands headers back without touching their count
inline std::atomic<int> closes{0};     // waveInClose calls
inline std::atomic<int> refuseAdds{0}; // how many adds to come the device refuses
inline DWORD slowLastReturnMs = 0;     // the callback of a reset's last header is this slow at each event
// The threads that hand headers back after a reset; they may outlive the device, as a callback in
// progress may outlive the close. JoinReturns waits for them.
inline std::mutex returnsLock;
inline std::vector<std::thread> returns;

inline void Back(HWAVEIN device, WAVEHDR* header, DWORD bytes, DWORD flags = WHDR_DONE) {
    header->dwBytesRecorded = bytes;
    header->dwFlags = (header->dwFlags & WHDR_PREPARED) | flags;
    device->callback(device, WIM_DATA, device->instance, reinterpret_cast<DWORD_PTR>(header), 0);
}
// Every hook as a case starts.
inline void Reset() {
    openResult = startResult = partialBytes = 0;
    keepOnReset = resetLeavesCount = false;
    refuseAdds = closes = 0;
    slowLastReturnMs = 0;
    failWrites = flushes = 0;
    asleepMs = slowFlushMs = 0;
    noDeleteRight = false;
}
inline void JoinReturns() {
    std::lock_guard lock(returnsLock);
    for (std::thread& thread : returns)
        thread.join();
    returns.clear();
}
} // namespace fakewin

inline MMRESULT waveInOpen(HWAVEIN* out, UINT, const WAVEFORMATEX*, DWORD_PTR proc, DWORD_PTR user, DWORD) {
    if (fakewin::openResult)
        return fakewin::openResult;
    *out = fakewin::device = new FakeWaveIn{reinterpret_cast<decltype(FakeWaveIn::callback)>(proc), user};
    return 0;
}
inline MMRESULT waveInClose(HWAVEIN device) {
    ++fakewin::closes;
    delete device;
    return 0;
}
inline MMRESULT waveInPrepareHeader(HWAVEIN, WAVEHDR* header, UINT) {
    header->dwFlags |= WHDR_PREPARED;
    return 0;
}
// Still with the device, as the platform says of a header it has not handed back.
inline MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* header, UINT) {
    std::lock_guard lock(device->mutex);
    for (WAVEHDR* queued : device->queued)
        if (queued == header)
            return WAVERR_STILLPLAYING;
    header->dwFlags &= ~WHDR_PREPARED;
    return 0;
}
inline MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* header, UINT) {
    if (fakewin::refuseAdds.fetch_sub(1) > 0)
        return 1;
    std::lock_guard lock(device->mutex);
    device->queued.push_back(header);
    return 0;
}
inline MMRESULT waveInStart(HWAVEIN) { return fakewin::startResult; }
inline MMRESULT waveInStop(HWAVEIN) { return 0; }
inline MMRESULT waveInReset(HWAVEIN device) {
    std::lock_guard lock(device->mutex), threads(fakewin::returnsLock);
    if (!fakewin::keepOnReset)
        fakewin::returns.emplace_back([callback = device->callback, instance = device->instance,
                                       back = std::exchange(device->queued, {}),
                                       bytes = fakewin::partialBytes, count = !fakewin::resetLeavesCount,
                                       slowMs = fakewin::slowLastReturnMs]() mutable {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            for (size_t i = 0; i < back.size(); ++i) {
                if (count)
                    back[i]->dwBytesRecorded = std::exchange(bytes, 0);
                back[i]->dwFlags |= WHDR_DONE;
                fakewin::slowEventMs = i + 1 == back.size() ? slowMs : 0;
                callback(nullptr, WIM_DATA, instance, reinterpret_cast<DWORD_PTR>(back[i]), 0);
            }
        });
    return 0;
}
