// Fake wave-input device. Each open device has a thread that completes headers in queue order
// and makes every callback, as the platform's wave service does; stop and reset run on that
// thread too, and the calling thread waits for them. With a callback delay, WIM_DATA is passed to
// a second thread that makes those callbacks late.
#include "fake_wavein.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using Lock = std::unique_lock<std::mutex>;
typedef void(CALLBACK* WaveInProc)(HWAVEIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

std::mutex g_mutex; // guards every device, the script and the statistics
std::condition_variable g_changed;
fakewin::WaveScript g_script;
fakewin::WaveStats g_stats;
thread_local bool t_inCallback = false;
thread_local bool t_delivering = false; // on a device's delivery thread

struct Device {
    fakewin::WaveScript script;
    WaveInProc callback = nullptr;
    DWORD_PTR instance = 0;
    std::deque<WAVEHDR*> queue;
    bool started = false;
    bool closing = false;
    std::deque<std::function<void(Lock&)>> ops; // run on the device thread
    uint64_t opsDone = 0, opsPosted = 0;
    unsigned permits = 0;
    uint64_t blocksDue = 0; // captured or lost so far
    Clock::time_point nextDue;
    uint64_t nextSample = 0;
    DWORD headFilled = 0; // bytes already recorded into the head header
    uint64_t headFirstSample = 0;
    DWORD blockBytes = 0; // length of the headers seen; what a lost block skips
    unsigned adds = 0;
    WAVEHDR* held = nullptr; // a late header, handed back after the next one
    uint64_t heldFirstSample = 0;
    DWORD heldFlags = 0;
    WAVEHDR* kept = nullptr; // kept by a reset
    std::thread thread;
    std::deque<std::pair<Clock::time_point, WAVEHDR*>> late; // WIM_DATA due on the delivery thread
    bool endDelivery = false; // the delivery thread hands out what is left at once and ends
    std::thread delivery;
};

std::set<Device*> g_devices;
Device* g_current = nullptr;

Device* Find(HWAVEIN h) {
    auto* d = reinterpret_cast<Device*>(h);
    return g_devices.count(d) ? d : nullptr;
}

void NoteCall() {
    if (t_inCallback)
        ++g_stats.callsFromCallback;
}

void Notify(Device& d, Lock& lock, UINT message, WAVEHDR* header) {
    if (!d.callback)
        return;
    if (message == WIM_DATA && d.script.callbackDelayMs && !t_delivering) {
        d.late.emplace_back(Clock::now() + std::chrono::milliseconds(d.script.callbackDelayMs), header);
        g_changed.notify_all();
        return;
    }
    lock.unlock();
    t_inCallback = true;
    d.callback(reinterpret_cast<HWAVEIN>(&d), message, d.instance, reinterpret_cast<DWORD_PTR>(header), 0);
    t_inCallback = false;
    lock.lock();
}

void Record(Device& d, WAVEHDR* header, DWORD upTo) {
    if (d.headFilled == 0)
        d.headFirstSample = d.nextSample;
    auto* out = reinterpret_cast<int16_t*>(header->lpData + d.headFilled);
    const size_t samples = (upTo - d.headFilled) / 2;
    const fakewin::WaveScript& s = d.script;
    for (size_t i = 0; i < samples;) {
        if (s.pcm && s.pcmSamples) {
            const size_t at = d.nextSample % s.pcmSamples;
            const size_t n = std::min(samples - i, s.pcmSamples - at);
            std::memcpy(out + i, s.pcm + at, n * 2);
            i += n;
            d.nextSample += n;
        } else {
            out[i++] = static_cast<int16_t>(fakewin::NumberedSample(d.nextSample++));
        }
    }
    d.headFilled = upTo;
}

void GiveBack(Device& d, Lock& lock, WAVEHDR* header, DWORD flags, uint64_t firstSample) {
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | flags;
    if ((flags & WHDR_DONE) && header->dwBytesRecorded > 0)
        g_stats.completed.push_back({header->lpData, firstSample, header->dwBytesRecorded});
    Notify(d, lock, WIM_DATA, header);
}

// Hands the head header back as the device does: done, with what was recorded into it. A late
// one is held until the next header has come back.
void ReturnHead(Device& d, Lock& lock, DWORD flags, bool late = false) {
    WAVEHDR* header = d.queue.front();
    d.queue.pop_front();
    header->dwBytesRecorded = d.headFilled;
    d.headFilled = 0;
    if (late) {
        d.held = header;
        d.heldFirstSample = d.headFirstSample;
        d.heldFlags = flags;
        return;
    }
    GiveBack(d, lock, header, flags, d.headFirstSample);
    if (WAVEHDR* held = d.held) {
        d.held = nullptr;
        // Long enough for a reader to see the later block back and the earlier one not.
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        lock.lock();
        GiveBack(d, lock, held, d.heldFlags, d.heldFirstSample);
    }
}

const fakewin::HeaderFault* FaultOf(const Device& d, uint64_t block) {
    for (const fakewin::HeaderFault& f : d.script.faults)
        if (f.block == block)
            return &f;
    return nullptr;
}

bool Due(const Device& d) {
    if (!d.started || (d.script.blockLimit && d.blocksDue >= d.script.blockLimit))
        return false;
    return d.script.freeRun ? Clock::now() >= d.nextDue : d.permits > 0;
}

// One block falls due: recorded into the head header, or lost when none is queued in time.
void CaptureBlock(Device& d, Lock& lock) {
    auto ready = [&] { return !d.queue.empty() || !d.ops.empty() || d.closing || !d.started; };
    if (d.script.lossless)
        g_changed.wait(lock, ready);
    else
        g_changed.wait_for(lock, std::chrono::milliseconds(d.script.graceMs), ready);
    if (!d.ops.empty() || d.closing || !d.started)
        return; // the period is abandoned; a stop or reset takes over
    if (d.permits)
        --d.permits;
    const fakewin::HeaderFault* fault = FaultOf(d, d.blocksDue++);
    d.nextDue += std::chrono::milliseconds(d.script.periodMs);
    if (d.queue.empty()) {
        d.nextSample += d.blockBytes / 2;
        ++g_stats.lostBlocks;
    } else {
        const DWORD length = d.queue.front()->dwBufferLength;
        Record(d, d.queue.front(), fault ? std::min(fault->bytes, length) : length);
        ReturnHead(d, lock, fault && !fault->done ? 0 : WHDR_DONE, fault && fault->late);
    }
    g_changed.notify_all();
}

void DeviceThread(Device* d) {
    Lock lock(g_mutex);
    for (;;) {
        if (!d->ops.empty()) {
            auto op = std::move(d->ops.front());
            d->ops.pop_front();
            op(lock);
            ++d->opsDone;
            g_changed.notify_all();
        } else if (d->closing) {
            return;
        } else if (Due(*d)) {
            CaptureBlock(*d, lock);
        } else if (d->started && d->script.freeRun) {
            g_changed.wait_until(lock, d->nextDue);
        } else {
            g_changed.wait(lock);
        }
    }
}

void DeliveryThread(Device* d) {
    t_delivering = true;
    Lock lock(g_mutex);
    for (;;) {
        if (!d->late.empty() && (d->endDelivery || Clock::now() >= d->late.front().first)) {
            WAVEHDR* header = d->late.front().second;
            d->late.pop_front();
            Notify(*d, lock, WIM_DATA, header);
        } else if (d->endDelivery) {
            return;
        } else if (!d->late.empty()) {
            g_changed.wait_until(lock, d->late.front().first);
        } else {
            g_changed.wait(lock);
        }
    }
}

// Runs op on the device thread and waits for it, like the platform's synchronous stop and reset.
void RunOnDevice(Device& d, Lock& lock, std::function<void(Lock&)> op) {
    if (t_inCallback) {
        op(lock);
        return;
    }
    d.ops.push_back(std::move(op));
    const uint64_t ticket = ++d.opsPosted;
    g_changed.notify_all();
    g_changed.wait(lock, [&] { return d.opsDone >= ticket; });
}

bool FormatSupported(const WAVEFORMATEX* f) {
    return f && f->wFormatTag == WAVE_FORMAT_PCM && (f->nChannels == 1 || f->nChannels == 2) &&
           f->wBitsPerSample == 16 && f->nBlockAlign == f->nChannels * 2 && f->nSamplesPerSec >= 8000 &&
           f->nSamplesPerSec <= 192000 && f->nAvgBytesPerSec == f->nSamplesPerSec * f->nBlockAlign;
}

} // namespace

namespace fakewin {

void SetWaveScript(const WaveScript& script) {
    Lock lock(g_mutex);
    g_script = script;
    g_stats = WaveStats{};
}

void ResetWave() {
    SetWaveScript(WaveScript{});
}

WaveStats GetWaveStats() {
    Lock lock(g_mutex);
    WaveStats stats = g_stats;
    stats.openDevices = static_cast<unsigned>(g_devices.size());
    stats.queuedHeaders = g_current ? static_cast<unsigned>(g_current->queue.size()) : 0;
    return stats;
}

uint16_t NumberedSample(uint64_t index) {
    return static_cast<uint16_t>(index);
}

bool RunBlocks(unsigned n) {
    Lock lock(g_mutex);
    Device* d = g_current;
    if (!d || !d->started)
        return false;
    const uint64_t target = d->blocksDue + n;
    d->permits += n;
    g_changed.notify_all();
    g_changed.wait(lock, [&] { return g_current != d || !d->started || d->blocksDue >= target; });
    return g_current == d && d->blocksDue >= target;
}

void SetGraceMs(unsigned ms) {
    Lock lock(g_mutex);
    if (g_current)
        g_current->script.graceMs = ms;
}

void PartialFill(DWORD bytes) {
    Lock lock(g_mutex);
    if (Device* d = g_current)
        RunOnDevice(*d, lock, [d, bytes](Lock&) {
            if (!d->queue.empty())
                Record(*d, d->queue.front(),
                       std::min<DWORD>(d->headFilled + bytes, d->queue.front()->dwBufferLength));
        });
}

bool DeliverNotDone() {
    Lock lock(g_mutex);
    Device* d = g_current;
    bool delivered = false;
    if (d)
        RunOnDevice(*d, lock, [d, &delivered](Lock& l) {
            if (d->queue.empty())
                return;
            Record(*d, d->queue.front(), d->queue.front()->dwBufferLength);
            ReturnHead(*d, l, 0);
            delivered = true;
        });
    return delivered;
}

void ReleaseKeptHeader() {
    Lock lock(g_mutex);
    for (Device* d : g_devices)
        if (WAVEHDR* kept = d->kept)
            RunOnDevice(*d, lock, [d, kept](Lock& l) {
                d->kept = nullptr;
                d->queue.push_front(kept);
                Record(*d, kept, kept->dwBufferLength);
                ReturnHead(*d, l, WHDR_DONE);
            });
}

} // namespace fakewin

UINT waveInGetNumDevs(void) {
    Lock lock(g_mutex);
    return g_script.devices;
}

MMRESULT waveInOpen(LPHWAVEIN out, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                    DWORD_PTR instance, DWORD flags) {
    Lock lock(g_mutex);
    NoteCall();
    g_stats.lastDeviceId = deviceId;
    if (deviceId != WAVE_MAPPER && deviceId >= g_script.devices)
        return MMSYSERR_BADDEVICEID;
    if (!FormatSupported(format))
        return WAVERR_BADFORMAT;
    if (g_script.openResult != MMSYSERR_NOERROR)
        return g_script.openResult;
    if (!out || (flags & CALLBACK_FUNCTION) != CALLBACK_FUNCTION)
        return MMSYSERR_INVALPARAM;
    auto* d = new Device;
    d->script = g_script;
    d->callback = reinterpret_cast<WaveInProc>(callback);
    d->instance = instance;
    g_devices.insert(d);
    g_current = d;
    d->thread = std::thread(DeviceThread, d);
    if (d->script.callbackDelayMs)
        d->delivery = std::thread(DeliveryThread, d);
    *out = reinterpret_cast<HWAVEIN>(d);
    Notify(*d, lock, WIM_OPEN, nullptr);
    return MMSYSERR_NOERROR;
}

MMRESULT waveInClose(HWAVEIN h) {
    Lock lock(g_mutex);
    NoteCall();
    Device* d = Find(h);
    if (!d)
        return MMSYSERR_INVALHANDLE;
    if (!d->queue.empty() || d->kept || d->held)
        return WAVERR_STILLPLAYING;
    if (d->delivery.joinable()) {
        d->endDelivery = true;
        g_changed.notify_all();
        lock.unlock();
        d->delivery.join();
        lock.lock();
    }
    RunOnDevice(*d, lock, [d](Lock& l) {
        Notify(*d, l, WIM_CLOSE, nullptr);
        d->closing = true;
    });
    g_devices.erase(d);
    if (g_current == d)
        g_current = nullptr;
    g_changed.notify_all();
    lock.unlock();
    d->thread.join();
    delete d;
    return MMSYSERR_NOERROR;
}

// Prepares or unprepares a header, refused while the device holds it.
static MMRESULT SetPrepared(HWAVEIN h, LPWAVEHDR header, UINT headerBytes, bool prepared) {
    Lock lock(g_mutex);
    NoteCall();
    if (!Find(h))
        return MMSYSERR_INVALHANDLE;
    if (!header || headerBytes < sizeof(WAVEHDR))
        return MMSYSERR_INVALPARAM;
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    header->dwFlags = prepared ? header->dwFlags | WHDR_PREPARED : header->dwFlags & ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT waveInPrepareHeader(HWAVEIN h, LPWAVEHDR header, UINT headerBytes) {
    return SetPrepared(h, header, headerBytes, true);
}

MMRESULT waveInUnprepareHeader(HWAVEIN h, LPWAVEHDR header, UINT headerBytes) {
    return SetPrepared(h, header, headerBytes, false);
}

MMRESULT waveInAddBuffer(HWAVEIN h, LPWAVEHDR header, UINT headerBytes) {
    Lock lock(g_mutex);
    NoteCall();
    Device* d = Find(h);
    if (!d)
        return MMSYSERR_INVALHANDLE;
    if (!header || headerBytes < sizeof(WAVEHDR) || !header->lpData || !header->dwBufferLength)
        return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    const unsigned adds = d->adds++;
    if (d->script.failAddsAfter && adds >= d->script.failAddsAfter &&
        adds < d->script.failAddsAfter + d->script.failAdds)
        return MMSYSERR_NOMEM;
    if (header->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    header->dwBytesRecorded = 0;
    d->blockBytes = header->dwBufferLength;
    d->queue.push_back(header);
    g_stats.added.push_back(header->lpData);
    g_changed.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT waveInStart(HWAVEIN h) {
    Lock lock(g_mutex);
    NoteCall();
    Device* d = Find(h);
    if (!d)
        return MMSYSERR_INVALHANDLE;
    if (d->script.startResult != MMSYSERR_NOERROR)
        return d->script.startResult;
    d->started = true;
    d->nextDue = Clock::now() + std::chrono::milliseconds(d->script.periodMs);
    g_changed.notify_all();
    return MMSYSERR_NOERROR;
}

// Only a partly recorded head header comes back; empty headers stay queued.
MMRESULT waveInStop(HWAVEIN h) {
    Lock lock(g_mutex);
    NoteCall();
    Device* d = Find(h);
    if (!d)
        return MMSYSERR_INVALHANDLE;
    RunOnDevice(*d, lock, [d](Lock& l) {
        d->started = false;
        if (!d->queue.empty() && d->headFilled > 0)
            ReturnHead(*d, l, WHDR_DONE);
    });
    return MMSYSERR_NOERROR;
}

// Every queued header comes back done with what it holds (nothing, or a partial block).
MMRESULT waveInReset(HWAVEIN h) {
    Lock lock(g_mutex);
    NoteCall();
    Device* d = Find(h);
    if (!d)
        return MMSYSERR_INVALHANDLE;
    RunOnDevice(*d, lock, [d](Lock& l) {
        d->started = false;
        if (d->script.keepOnReset && !d->queue.empty() && !d->kept) {
            d->kept = d->queue.front();
            d->queue.pop_front();
        }
        while (!d->queue.empty())
            ReturnHead(*d, l, WHDR_DONE);
        if (WAVEHDR* held = d->held) {
            d->held = nullptr;
            GiveBack(*d, l, held, d->heldFlags, d->heldFirstSample);
        }
    });
    return MMSYSERR_NOERROR;
}
