// What only Windows shows: ca.dll's operations taken by their ordinal numbers.
#include "EncoderLib.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <string>
#include <vector>

template <typename Fn = int32_t (*)(HENCODER, int32_t)> static Fn Op(WORD ordinal) {
    const FARPROC address = GetProcAddress(GetModuleHandleW(L"ca.dll"), MAKEINTRESOURCEA(ordinal));
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
}

// The numbers are the library's contract (engine/EncoderLib.h), not only what our import library
// says: a mono and a stereo instance, set up and fed as the program does, write frames whose headers
// carry the settings, and a frame of their size before and after. Two operations swapped in ca.def
// set or encode the wrong thing, or fail. (What the frames before and after hold: the gapless test.)
TEST(CaDll, EncodesThroughTheOperationsTakenByTheirNumbers) {
    // Channels, mode, rate, kbit/s, the encoding operation; the frame header's MPEG version, bit
    // rate index, rate index and channel mode; the frame's size.
    const struct {
        int32_t channels, mode, rateHz, kbps;
        WORD encode;
        std::array<int, 4> header;
        int32_t frameBytes;
    } rows[] = {{1, 3, 22050, 40, 148, {2, 5, 0, 3}, 130}, {2, 1, 44100, 128, 149, {3, 9, 0, 1}, 417}};
    for (const auto& row : rows) {
        HENCODER h = Op<decltype(&EncoderCreate)>(1)();
        ASSERT_NE(h, nullptr);
        for (auto [ordinal, value] :
             {std::pair{6, row.channels}, {24, row.mode}, {4, row.rateHz}, {75, 0}, {41, row.kbps}, {22, 5}})
            EXPECT_EQ(Op(ordinal)(h, value), 0) << ordinal;
        EXPECT_EQ(Op<decltype(&EncoderPrepare)>(139)(h), 0);
        EXPECT_EQ(Op<decltype(&EncoderPostPrepare)>(156)(h), 0);
        const auto infoFrame = Op<decltype(&EncoderInfoFrame)>(165);
        std::vector<int16_t> pcm(2 * 1152, 1000);
        std::vector<uint8_t> mp3, out(8641);
        EXPECT_EQ(infoFrame(h, out.data(), 2880), row.frameBytes) << "the place holder";
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
        EXPECT_EQ(infoFrame(h, out.data(), 2880), row.frameBytes) << "the Info frame";
        EXPECT_EQ(Op<decltype(&EncoderClose)>(164)(h), 0);
        ASSERT_GT(mp3.size(), 4u);
        EXPECT_EQ(mp3[0], 0xFF); // a plain stream: a frame first, no tag
        EXPECT_EQ((std::array{mp3[1] >> 3 & 3, mp3[2] >> 4, mp3[2] >> 2 & 3, mp3[3] >> 6}), row.header);
    }
    EXPECT_EQ(GetProcAddress(GetModuleHandleW(L"ca.dll"), "EncoderCreate"), nullptr) << "by number only";
}
