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
constexpr UINT MMSYSERR_NOERROR = 0, WAVE_FORMAT_PCM = 1, CALLBACK_FUNCTION = 0, WIM_DATA = 0x3C0,
               WHDR_DONE = 1;
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
    std::vector<std::thread> resetReturns{};
} * HWAVEIN;

namespace fakewin {
inline HWAVEIN device = nullptr; // the one opened last
// What the device start returns; what a reset reports recorded into the oldest header.
inline uint32_t startResult = 0, partialBytes = 0;
inline bool keepOnReset = false;       // a reset leaves the headers with the device, which keeps them
inline std::atomic<int> refuseAdds{0}; // how many adds to come the device refuses

inline void Back(HWAVEIN device, WAVEHDR* header, DWORD bytes, DWORD flags = WHDR_DONE) {
    header->dwBytesRecorded = bytes;
    header->dwFlags = flags;
    device->callback(device, WIM_DATA, device->instance, reinterpret_cast<DWORD_PTR>(header), 0);
}
} // namespace fakewin

inline MMRESULT waveInOpen(HWAVEIN* out, UINT, const WAVEFORMATEX*, DWORD_PTR proc, DWORD_PTR user, DWORD) {
    *out = fakewin::device = new FakeWaveIn{reinterpret_cast<decltype(FakeWaveIn::callback)>(proc), user};
    return 0;
}
inline MMRESULT waveInClose(HWAVEIN device) {
    for (std::thread& returns : device->resetReturns)
        returns.join();
    delete device;
    return 0;
}
inline MMRESULT waveInPrepareHeader(HWAVEIN, WAVEHDR*, UINT) {
    return 0;
}
inline MMRESULT waveInUnprepareHeader(HWAVEIN, WAVEHDR*, UINT) {
    return fakewin::keepOnReset ? 33 : 0;
}
inline MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* header, UINT) {
    if (fakewin::refuseAdds.fetch_sub(1) > 0)
        return 1;
    std::lock_guard lock(device->mutex);
    device->queued.push_back(header);
    return 0;
}
inline MMRESULT waveInStart(HWAVEIN) {
    return fakewin::startResult;
}
inline MMRESULT waveInStop(HWAVEIN) {
    return 0;
}
inline MMRESULT waveInReset(HWAVEIN device) {
    std::lock_guard lock(device->mutex);
    if (!fakewin::keepOnReset)
        device->resetReturns.emplace_back(
            [device, back = std::exchange(device->queued, {}), bytes = fakewin::partialBytes]() mutable {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                for (WAVEHDR* header : back)
                    fakewin::Back(device, header, std::exchange(bytes, 0));
            });
    return 0;
}
