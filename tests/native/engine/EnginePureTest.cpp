// Block sizes, ring cursor steps, bit rates, the tag and the header hand-off: no device involved.
#include "HandOff.h"
#include "JobSettings.h"
#include "RingMath.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(RingMath, BlockIsWholeFramesOfAQuarterSecondPlusOne) {
    const struct {
        uint32_t rate, channels, blockBytes;
    } cases[] = {
        {8000, 1, 4608},
        {8000, 2, 9216},
        {22050, 1, 11520},
        {22050, 2, 23040},
        {44100, 1, 23040},
        {44100, 2, 46080},
        {48000, 1, 25344},
        {48000, 2, 50688},
        {96000, 1, 48384},
        {96000, 2, 96768},
        {9216, 1, 3 * 2304}, // a quarter second of exactly two frames
                             // still gets a third
        {1, 1, 2304},        // less than a frame: one frame
    };
    for (auto c : cases)
        EXPECT_EQ(CaptureBlockBytes(c.channels * 2, c.channels * 2 * c.rate), c.blockBytes)
            << c.rate << " Hz, " << c.channels << " ch";
    EXPECT_EQ(CaptureBlockBytes(4, 4 * 44100) * kRingBlocks, 921600u);
    EXPECT_EQ(CaptureBlockBytes(0, 88200), 0u) << "no block align";
    EXPECT_EQ(CaptureBlockBytes(4, 0xFFFFFFFFu), 0u) << "ring beyond 32 bits";
}

TEST(RingMath, CursorsStepAndWrapByWholeBlocks) {
    const uint32_t block = 4608, ring = 20 * block;
    const struct { uint32_t pos, next; } steps[] = {{0, block}, {18 * block, 19 * block}, {19 * block, 0}};
    for (auto s : steps)
        EXPECT_EQ(NextSlot(s.pos, block, ring), s.next) << s.pos;
}

TEST(JobSettings, BitRateIsWholeKilohertzTimesFactor) {
    const struct {
        int32_t rate, factor, kbps;
    } cases[] = {{22050, 1, 22}, {22050, 2, 44},  {22050, 3, 66}, {44100, 2, 88},
                 {8000, 1, 8},   {48000, 3, 144}, {96000, 3, 288}};
    for (auto c : cases)
        EXPECT_EQ(EncoderBitRateKbps(c.rate, c.factor), c.kbps) << c.rate << " x" << c.factor;
}

TEST(JobSettings, TagIsId3v1WithOnlyTheAlbumSet) {
    const auto& tag = kId3v1Tag;
    ASSERT_EQ(tag.size(), 128u);
    EXPECT_EQ(std::string(tag.begin(), tag.begin() + 3), "TAG");
    EXPECT_EQ(std::string(tag.begin() + 63, tag.begin() + 76), kTagAlbum);
    for (size_t i = 3; i < 128; ++i)
        if (i < 63 || i >= 76) {
            EXPECT_EQ(tag[i], 0) << "byte " << i;
        }
}

TEST(HandOff, KeepsOrderLeavesAPeekedItemAndRefusesPastCapacity) {
    CHandOff<int, 4> q;
    int items[5] = {};
    EXPECT_EQ(q.Peek(), nullptr);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(q.Push(&items[i]), 1);
    EXPECT_EQ(q.Push(&items[4]), 0);
    EXPECT_EQ(q.Peek(), &items[0]);
    EXPECT_EQ(q.Peek(), &items[0]) << "a waiting item stays at the head";
    q.Pop();
    EXPECT_EQ(q.Push(&items[4]), 1) << "wraps around";
    for (int i = 1; i < 5; ++i) {
        EXPECT_EQ(q.Peek(), &items[i]);
        q.Pop();
    }
    EXPECT_EQ(q.Peek(), nullptr);
}

TEST(HandOff, ProducerAndConsumerThreadsKeepOrder) {
    constexpr int kItems = 20000;
    std::vector<int> values(kItems);
    CHandOff<int, 8> q;
    std::thread producer([&] {
        for (int i = 0; i < kItems; ++i) {
            values[i] = i; // published by the push's release
            while (!q.Push(&values[i]))
                std::this_thread::yield();
        }
    });
    int expect = 0;
    while (expect < kItems) {
        if (int* p = q.Peek()) {
            ASSERT_EQ(p, &values[expect]);
            ASSERT_EQ(*p, expect);
            ++expect;
            q.Pop();
        }
    }
    producer.join();
}
