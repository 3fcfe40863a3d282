// A recording through the job with the real encoder library (LAME) over the fake device, split into
// three files at block boundaries and stopped inside a block, decoded by a decoder that reads the
// Info frame (libmpg123): each file plays at the rate, channels and bit rate MP3 stores for its
// setting, states the length it decodes to, and the decodes put end to end are the recorded stream,
// not a sample more or less, in step with it at every join.
#include "FakeDevice.h"
#include "InfoFrame.h"
#include "JobSettings.h"
#include "Mp3Encoder.h"

#include <mpg123.h>

#include <random>

namespace {

// Decodes the file onto pcm: its rate, channels and bit rate, and 1 when it states the length it
// decodes to.
std::vector<long> Decode(const char* name, std::vector<int16_t>& pcm) {
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    long rate = 0;
    int channels = 1, encoding = 0;
    mpg123_frameinfo info = {};
    mpg123_open(h, name);
    mpg123_getformat(h, &rate, &channels, &encoding);
    mpg123_info(h, &info);
    const long stated = mpg123_length(h), before = long(pcm.size());
    int16_t out[8192];
    for (size_t got = 1; got; pcm.insert(pcm.end(), out, out + got / 2))
        mpg123_read(h, out, sizeof out, &got);
    mpg123_delete(h);
    return {rate, channels, info.bitrate, stated == (long(pcm.size()) - before) / channels};
}

// The lag (within +-20) at which the decode lines up best with the recording over a window.
int LagAt(const std::vector<int16_t>& decoded, const std::vector<int16_t>& recorded, int channels,
          size_t from) {
    int best = 0;
    double bestSum = -1e300;
    for (int lag = -20; lag <= 20; ++lag) {
        double sum = 0;
        for (size_t i = from; i < from + 2000 && i + 20 < recorded.size() / channels; ++i)
            sum += double(decoded[(i + lag) * channels]) * recorded[i * channels];
        if (sum > bestSum)
            std::tie(bestSum, best) = std::tie(sum, lag);
    }
    return best;
}

class Gapless : public CJobTest {};

TEST_F(Gapless, ASeriesPlaysBackAsTheRecordedStreamAtEveryWindowSetting) {
    mpg123_init();
    // The Info frame's checksums are CRC-16/ARC, which players check the LAME extension with.
    EXPECT_EQ(ca::Crc16(0, reinterpret_cast<const uint8_t*>("123456789"), 9), 0xBB3D);
    // Sample rate and bit rate factor as the window has them (two channels for factors 1 and 3), then
    // the rate and bit rate stored.
    const int32_t rows[][4] = {
        {8000, 1, 8000, 8},     {8000, 2, 8000, 16},    {8000, 3, 8000, 24},    {22050, 1, 22050, 24},
        {22050, 2, 22050, 40},  {22050, 3, 22050, 64},  {44100, 1, 44100, 40},  {44100, 2, 44100, 80},
        {44100, 3, 44100, 128}, {48000, 1, 48000, 48},  {48000, 2, 48000, 96},  {48000, 3, 48000, 128},
        {96000, 1, 48000, 96},  {96000, 2, 48000, 192}, {96000, 3, 48000, 256},
    };
    for (const auto& [rate, factor, outRate, kbps] : rows) {
        const int channels = 1 + factor % 2;
        // Noise with most of its power low, which every bit rate keeps.
        std::minstd_rand random(rate + factor);
        double low = 0;
        g_Source = [&](size_t) { return int16_t(low = 0.9 * low + int(random() % 2000) - 1000); };
        g_Recorded.clear();
        for (const char* name : {"a", "b", "c"})
            std::filesystem::remove(name);
        ASSERT_TRUE(Started(L"a", channels, rate, factor));
        // Each file takes a block before the next is handed over: the first encodes one past its place
        // holder, the others are taken by the worker at a block.
        uint64_t begun = m_pJob->GetWrittenBytes();
        for (const wchar_t* next : {L"b", L"c", L""}) {
            for (int block = 0; block < 3; ++block)
                RunBlock();
            const uint64_t past = std::exchange(begun, 0);
            ASSERT_TRUE(WaitUntil([&] { return m_pJob->GetWrittenBytes() > past; }));
            ASSERT_TRUE(!*next || m_pJob->SwitchFile(next, &m_Fault));
        }
        fakewin::partialBytes = 2 * 777 * channels; // a stop inside a block, not on a frame boundary
        Record(fakewin::partialBytes, false);
        std::exchange(m_pJob, nullptr)->Stop();

        // The recording as stored: 96000 Hz is kept as 48000 Hz, every other sample.
        std::vector<int16_t> recorded;
        const size_t step = rate / outRate, frames = g_Recorded.size() / 2 / channels;
        for (size_t i = 0; i < frames; i += step)
            for (int c = 0; c < channels; ++c)
                recorded.push_back(reinterpret_cast<const int16_t*>(g_Recorded.data())[i * channels + c]);
        std::vector<int16_t> decoded;
        std::vector<size_t> joins;
        for (const char* name : {"a", "b", "c"}) {
            EXPECT_EQ(Decode(name, decoded), std::vector<long>({outRate, channels, kbps, 1}))
                << name << " at " << rate << " Hz x" << factor;
            joins.push_back(decoded.size() / channels);
        }
        ASSERT_EQ(decoded.size(), recorded.size()) << rate << " Hz x" << factor;
        for (size_t join : {size_t{0}, joins[0], joins[1]})
            EXPECT_EQ(LagAt(decoded, recorded, channels, join + 50), 0) << "after " << join << " at " << rate;
    }
    // Stopped before any sound came, at 44100 Hz: one frame, which keeps the silent place holder.
    fakewin::partialBytes = 0;
    ASSERT_TRUE(Started(L"e", 2, 44100, 2));
    std::exchange(m_pJob, nullptr)->Stop();
    EXPECT_EQ(Read("e").substr(36, 4), std::string(4, 0)) << "no Info frame";
}

} // namespace
