// A real recording under Wine: a 1 kHz tone played into the PulseAudio null sink is captured from
// the sink's monitor through the wave-input service, encoded by ca.dll and decoded by ffmpeg; and
// a series split at the engine, checked against seeded noise. The Linux programs (sox and pacat to
// play, ffmpeg and ffprobe to decode) are started through WineUnix.h.
#include "JobCenter.h"
#include "JobSettings.h"
#include "RingMath.h"
#include "ToneAnalysis.h"
#include "WineUnix.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kCaptureMs = 5000;

// The monitor of the null sink, which plays back whatever the sink is given.
UINT MonitorDevice() {
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i) {
        WAVEINCAPSW caps = {};
        if (waveInGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR && wcsstr(caps.szPname, L"Monitor"))
            return i;
    }
    return 0;
}

struct Setting {
    int sampleRate, channels;
};

class EngineWine : public testing::TestWithParam<Setting> {
  public:
    static void SetUpTestSuite() {
        // Long enough for every case; it is also ended explicitly, by the pid pacat got.
        StartPlayer(L"kavel-engine-",
                    "sox -n -r 48000 -c 2 -b 16 -t raw - synth 50 sine 1000 vol 0.5 2>/dev/null | "
                    "pacat --playback --device=kv_sink --rate=48000 --channels=2 --format=s16le");
    }
    // A folder of the suite's own, and `player` (run there; its last command's pid is the one
    // ended) playing into the null sink in the background.
    static void StartPlayer(const wchar_t* stem, const std::string& player) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        s_Dir = std::wstring(temp) + stem + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(s_Dir.c_str(), nullptr);
        s_UnixDir = UnixPath(s_Dir);
        const std::string pidFile = Quoted(s_UnixDir + "/tone.pid");
        s_ToneStarted =
            !s_UnixDir.empty() &&
            StartUnix("cd " + Quoted(s_UnixDir) + "; " + player + " & echo $! > " + pidFile + "; wait") &&
            WaitForFile(s_Dir + L"\\tone.pid", 10000);
        Sleep(500); // the stream reaches the sink
    }
    static void TearDownTestSuite() {
        if (s_ToneStarted)
            StartUnix("kill $(cat " + Quoted(s_UnixDir + "/tone.pid") + ") 2>/dev/null; rm -rf " +
                      Quoted(s_UnixDir));
    }

  protected:
    static std::wstring s_Dir;
    static std::string s_UnixDir;
    static bool s_ToneStarted;
};
std::wstring EngineWine::s_Dir;
std::string EngineWine::s_UnixDir;
bool EngineWine::s_ToneStarted = false;

TEST_P(EngineWine, RecordsFiveSecondsOfToneThatDecodesBack) {
    ASSERT_TRUE(s_ToneStarted) << "could not start the tone into the null sink";
    const Setting s = GetParam();
    const std::string name = "tone-" + std::to_string(s.sampleRate) + "-" + std::to_string(s.channels);
    const std::wstring mp3 = s_Dir + L"\\" + Widen(name) + L".mp3";

    CJobCenter* job = CJobCenter::Create(mp3.c_str(), MonitorDevice(), 5, s.channels, s.sampleRate, 2, 1);
    ASSERT_NE(job, nullptr);
    // Wine's capture delivers its first block about a second after the start, so the capture time
    // is taken from the moment the file first grows: the first block was complete then, and it
    // began one block earlier.
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    ASSERT_EQ(job->Start(), 1);
    for (int waited = 0; job->GetWrittenBytes() == 0 && waited < 5000; waited += 5)
        Sleep(5);
    QueryPerformanceCounter(&t0);
    EXPECT_GT(job->GetWrittenBytes(), 0u) << "no audio arrived";
    Sleep(kCaptureMs);
    QueryPerformanceCounter(&t1);
    job->Stop();
    const double sinceFirstBlockSeconds = double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart);

    // Each result file of the decode, seen from Windows and from Unix.
    auto dos = [&](const char* ext) { return s_Dir + L"\\" + Widen(name) + Widen(ext); };
    auto unix = [&](const char* ext) { return Quoted(s_UnixDir + "/" + name + ext); };
    ASSERT_TRUE(StartUnix("ffprobe -v error -select_streams a:0 -show_entries stream=channels,sample_rate "
                          "-of csv=p=0 " +
                          unix(".mp3") + " > " + unix(".info") + "; ffmpeg -nostdin -y -v error -i " +
                          unix(".mp3") + " -f s16le -acodec pcm_s16le " + unix(".raw") + " 2> " +
                          unix(".err") + "; echo $? > " + unix(".done")));
    ASSERT_TRUE(WaitForFile(dos(".done"), 30000)) << "ffmpeg did not finish";
    EXPECT_EQ(ReadText(dos(".done")), "0\n");
    EXPECT_EQ(ReadText(dos(".err")), "") << "decoder errors";

    const int outRate = s.sampleRate > 48000 ? 48000 : s.sampleRate;
    std::istringstream info(ReadText(dos(".info")));
    int probedRate = 0, probedChannels = 0;
    char comma = 0;
    info >> probedRate >> comma >> probedChannels;
    EXPECT_EQ(probedRate, outRate);
    EXPECT_EQ(probedChannels, s.channels);

    const std::string raw = ReadText(dos(".raw"));
    std::vector<int16_t> pcm(raw.size() / 2);
    std::memcpy(pcm.data(), raw.data(), pcm.size() * 2);
    const double decodedSeconds = double(pcm.size() / s.channels) / outRate;
    const uint32_t blockAlign = s.channels * 2;
    const double blockSeconds =
        double(CaptureBlockBytes(blockAlign, blockAlign * s.sampleRate)) / (blockAlign * s.sampleRate);
    const double paddingSeconds = 2304.0 / outRate; // encoder delay and the last frame's padding
    const double pollSeconds = 0.12;                // the worker looks for blocks every 100 ms
    const double slackSeconds = 0.05;               // the clocks of Wine, Pulse and this thread
    // Captured: from one block before the first one was seen to the stop, less the block that
    // was being filled at the stop (under one block).
    const double earliestStart = sinceFirstBlockSeconds + blockSeconds;
    EXPECT_GE(decodedSeconds, earliestStart - blockSeconds - slackSeconds)
        << "since the first block " << sinceFirstBlockSeconds << " s, block " << blockSeconds << " s";
    EXPECT_LE(decodedSeconds, earliestStart + pollSeconds + paddingSeconds + slackSeconds)
        << "since the first block " << sinceFirstBlockSeconds << " s";
    EXPECT_NEAR(DominantFrequency(pcm.data(), pcm.size() / s.channels, s.channels, outRate), 1000, 20);

    const std::string file = ReadText(mp3);
    ASSERT_GT(file.size(), 128u);
    EXPECT_TRUE(std::equal(kId3v1Tag.begin(), kId3v1Tag.end(),
                           reinterpret_cast<const uint8_t*>(file.data() + file.size() - 128)));
    std::printf("  %s: %.3f s since the first block, decoded %.3f s, block %.3f s\n", name.c_str(),
                sinceFirstBlockSeconds, decodedSeconds, blockSeconds);
}

// Seeded noise instead of the tone: each file of a series is found in it by cross-correlation
// (tests/support/find_spans.py), so a gap or an overlap at a split shows in milliseconds.
class EngineWineSplit : public EngineWine {
  public:
    static void SetUpTestSuite() {
        StartPlayer(L"kavel-split-", kSpans + " noise noise.raw 60 && exec pacat --playback --device=kv_sink "
                                              "--rate=8000 --channels=1 --format=s16le < noise.raw");
    }
    static inline const std::string kSpans =
        "/usr/bin/python3 " + Quoted(KAVEL_SOURCE_DIR "/tests/support/find_spans.py");
};

TEST_P(EngineWineSplit, FilesOfASeriesFollowEachOtherWithoutAGap) {
    ASSERT_TRUE(s_ToneStarted) << "could not play the noise into the null sink";
    const Setting s = GetParam();
    const std::string stem = "split-" + std::to_string(s.sampleRate);
    std::vector<std::string> names;
    for (const char* suffix : {"", "_1", "_2"})
        names.push_back(stem + suffix + ".mp3");
    auto dos = [&](const std::string& name) { return s_Dir + L"\\" + Widen(name); };

    CJobCenter* job =
        CJobCenter::Create(dos(names[0]).c_str(), MonitorDevice(), 5, s.channels, s.sampleRate, 2, 1);
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(job->Start(), 1);
    for (int waited = 0; job->GetWrittenBytes() == 0 && waited < 5000; waited += 5)
        Sleep(5);
    for (size_t i = 1; i < names.size(); ++i) {
        Sleep(2000);
        EXPECT_EQ(job->SwitchFile(dos(names[i]).c_str()), 1) << names[i];
    }
    Sleep(2000);
    job->Stop();

    std::string files;
    for (const std::string& name : names) {
        files.append(" ").append(Quoted(s_UnixDir + "/" + name));
        const std::string file = ReadText(dos(name));
        ASSERT_GT(file.size(), 128u) << name;
        EXPECT_TRUE(std::equal(kId3v1Tag.begin(), kId3v1Tag.end(),
                               reinterpret_cast<const uint8_t*>(file.data() + file.size() - 128)))
            << name << " ends with its one tag";
    }
    const std::string out = Quoted(s_UnixDir + "/" + stem + ".spans");
    ASSERT_TRUE(StartUnix(kSpans + " spans " + Quoted(s_UnixDir + "/noise.raw") + files + " > " + out +
                          " 2>&1; echo $? > " + Quoted(s_UnixDir + "/" + stem + ".done")));
    ASSERT_TRUE(WaitForFile(dos(stem + ".done"), 60000));
    const std::string spans = ReadText(dos(stem + ".spans"));
    std::printf("%s", spans.c_str());
    const size_t at = spans.rfind("max gap ");
    ASSERT_NE(at, std::string::npos) << spans;
    EXPECT_LE(std::atof(spans.c_str() + at + 8), 60.0) << spans;
}

INSTANTIATE_TEST_SUITE_P(Settings, EngineWineSplit, testing::Values(Setting{8000, 1}, Setting{44100, 2}),
                         [](const testing::TestParamInfo<Setting>& info) {
                             return std::to_string(info.param.sampleRate) + "Hz_" +
                                    std::to_string(info.param.channels) + "ch";
                         });

INSTANTIATE_TEST_SUITE_P(Settings, EngineWine,
                         testing::Values(Setting{8000, 1}, Setting{44100, 2}, Setting{48000, 2},
                                         Setting{96000, 2}),
                         [](const testing::TestParamInfo<Setting>& info) {
                             return std::to_string(info.param.sampleRate) + "Hz_" +
                                    std::to_string(info.param.channels) + "ch";
                         });

} // namespace
