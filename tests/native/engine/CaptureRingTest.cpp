// The capture ring's block protocol with the device, the feeder and the worker on threads of their
// own: whatever the device does with its headers, the worker reads exactly the audio it reported,
// once and in order. Also the stall decision and the block size.
#include "CaptureRing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr uint32_t kBlockBytes = 64;

// The device's queue of headers; a header is where its block pointer is kept. Adds 30 to
// 30 + refused are refused.
struct Device {
    CHandOff<uint8_t*, kDeviceHeaders> queued{};
    uint32_t adds = 0, refused = 0;
};
int Add(void* self, void* header, uint8_t* block) {
    auto* device = static_cast<Device*>(self);
    if (device->adds++ - 30 < device->refused)
        return 0;
    *static_cast<uint8_t**>(header) = block;
    return device->queued.Push(static_cast<uint8_t**>(header));
}

TEST(CaptureRing, WorkerReadsExactlyWhatTheDeviceReportedOnceAndInOrder) {
    const struct {
        const char* what;
        uint32_t bytes, done, lateBy; // how the header of block 45 (third lap) comes back
        uint32_t refused;
        bool stallReader; // the worker reads nothing until the ring is full
    } rows[] = {
        {"short", 24, 1, 0, 0, false},
        {"no done flag", kBlockBytes, 0, 0, 0, false},
        {"overlong", 80, 1, 0, 0, false},
        {"out of order", kBlockBytes, 1, 1, 0, false},
        {"late and short", 24, 1, 5, 0, false},
        {"refused buffers", kBlockBytes, 1, 0, 3, false},
        {"full ring", kBlockBytes, 1, 0, 0, true},
    };
    for (auto row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<uint8_t> memory(kRingBlocks * kBlockBytes, 0xA5);
        CCaptureRing ring;
        ring.Init(memory.data(), kBlockBytes);
        Device device{.refused = row.refused};
        uint8_t* headers[kDeviceHeaders];
        for (uint8_t*& header : headers)
            ASSERT_EQ(ring.Queue(&header, Add, &device), 1);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        const auto alive = [&] { return std::chrono::steady_clock::now() < deadline; };
        std::atomic<uint32_t> blocksBack{0};
        std::atomic<bool> workerDone{false};
        std::vector<uint32_t> reported, read;

        // Records numbered words into the headers in the order given, 100 blocks, five laps.
        std::thread deviceThread([&] {
            uint32_t word = 0;
            uint8_t** late = nullptr;
            const auto back = [&](uint8_t** header, uint32_t bytes, uint32_t done) {
                ring.HeaderBack(header, *header, bytes, done);
                ring.CountReturned();
            };
            for (uint32_t block = 0; block < 100 && alive(); blocksBack = ++block) {
                uint8_t** header = device.queued.Peek();
                for (; !header && alive(); header = device.queued.Peek())
                    std::this_thread::yield();
                if (!header)
                    break;
                device.queued.Pop();
                const bool fault = block == 45;
                const uint32_t bytes = fault ? row.bytes : kBlockBytes, done = !fault || row.done;
                for (uint32_t at = 0; at < std::min(bytes, kBlockBytes); at += 4, ++word) {
                    std::memcpy(*header + at, &word, 4);
                    if (done)
                        reported.push_back(word);
                }
                if (fault && row.lateBy)
                    late = header;
                else
                    back(header, bytes, done);
                if (late && block == 45 + row.lateBy)
                    back(std::exchange(late, nullptr), row.bytes, row.done);
            }
        });
        std::thread feeder([&] {
            for (; !workerDone; std::this_thread::yield())
                ring.QueueWaiting(Add, &device);
        });
        while (row.stallReader && blocksBack < kRingBlocks - 1 && alive())
            std::this_thread::yield(); // all but the block held back are filled
        for (bool deviceDone = false; !deviceDone && alive(); std::this_thread::yield()) {
            deviceDone = blocksBack == 100;
            for (SFilledBlock block; (block = ring.TakeFilled()).data; ring.ReleaseFilled())
                read.insert(read.end(), reinterpret_cast<const uint32_t*>(block.data),
                            reinterpret_cast<const uint32_t*>(block.data) + block.bytes / 4);
        }
        workerDone = true;
        deviceThread.join();
        feeder.join();
        EXPECT_TRUE(alive()) << "the device was left without headers";
        EXPECT_EQ(read, reported);
    }
}

TEST(CaptureRing, StalledWhenTheDeviceHoldsHeadersAndGivesBackNoAudioFor3s) {
    std::vector<uint8_t> memory(kRingBlocks * kBlockBytes);
    CCaptureRing ring;
    ring.Init(memory.data(), kBlockBytes);
    Device device;
    uint8_t* headers[kDeviceHeaders];
    for (uint8_t*& header : headers)
        ring.Queue(&header, Add, &device);
    ring.StartWatch(1000);
    EXPECT_EQ(ring.Stalled(3999), 0);
    EXPECT_EQ(ring.Stalled(4000), 1);
    ring.HeaderBack(&headers[0], headers[0], kBlockBytes, 1); // audio: the watch starts again
    EXPECT_EQ(ring.Stalled(5000), 0);
    ring.HeaderBack(&headers[1], headers[1], kBlockBytes, 0); // no done flag: no audio
    EXPECT_EQ(ring.Stalled(7999), 0);
    EXPECT_EQ(ring.Stalled(8000), 1);
    for (uint32_t i = 0; i < kDeviceHeaders; ++i)
        ring.CountReturned(); // all back: the ring is full and the device holds nothing
    EXPECT_EQ(ring.Stalled(60000), 0);
    device.refused = ~0u; // given one again, which it refuses: the watch starts again, without audio
    ring.QueueWaiting(Add, &device);
    EXPECT_EQ(ring.Stalled(61000), 0);
    EXPECT_EQ(ring.Stalled(63999), 0);
    EXPECT_EQ(ring.Stalled(64000), 1);
}

TEST(RingMath, BlockIsTheWholeFramesOfAQuarterSecondPlusOne) {
    EXPECT_EQ(CaptureBlockBytes(4, 176400), 46080u);
    EXPECT_EQ(CaptureBlockBytes(2, 18432), 6912u) << "a quarter second of two frames still gets a third";
    EXPECT_EQ(CaptureBlockBytes(0, 16000), 0u) << "no block align";
    EXPECT_EQ(CaptureBlockBytes(4, 0xFFFFFFFFu), 0u) << "a ring beyond 32 bits";
}

} // namespace
