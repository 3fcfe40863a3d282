// A real recording under Wine: a 1 kHz tone played into the PulseAudio null sink is captured from
// the sink's monitor through the wave-input service, encoded by ca.dll and decoded by ffmpeg.
//
// The Linux programs (sox and pacat for the tone, ffmpeg and ffprobe to decode) are started with
// CreateProcess of /bin/sh: Wine runs a Unix executable as a plain Unix process, which inherits the
// test environment's Pulse server. Wine gives no process handle for it, so each command writes a
// marker file when it ends and the test waits for that file.
#include "JobCenter.h"
#include "JobSettings.h"
#include "RingMath.h"
#include "ToneAnalysis.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kCaptureMs = 5000;

std::wstring Widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

std::string UnixPath(const std::wstring& dosPath) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return {};
    char* unix = toUnix(dosPath.c_str());
    if (!unix)
        return {};
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// Starts `/bin/sh -c command` as a Unix process; the command must not contain double quotes.
bool StartUnix(const std::string& command) {
    std::wstring line = L"/bin/sh -c \"" + Widen(command) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(L"/bin/sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    if (pi.hThread)
        CloseHandle(pi.hThread);
    return true;
}

std::string ReadText(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WaitForFile(const std::wstring& path, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES && !ReadText(path).empty())
            return true;
        Sleep(50);
    }
    return false;
}

std::string Quoted(const std::string& unixPath) {
    return "'" + unixPath + "'";
}

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
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        s_Dir = std::wstring(temp) + L"kavel-engine-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(s_Dir.c_str(), nullptr);
        s_UnixDir = UnixPath(s_Dir);
        // Long enough for every case; it is also ended explicitly, by the pid pacat got.
        const std::string pidFile = Quoted(s_UnixDir + "/tone.pid");
        s_ToneStarted =
            !s_UnixDir.empty() &&
            StartUnix("sox -n -r 48000 -c 2 -b 16 -t raw - synth 50 sine 1000 vol 0.5 2>/dev/null | "
                      "pacat --playback --device=kv_sink --rate=48000 --channels=2 --format=s16le & "
                      "echo $! > " +
                      pidFile + "; wait") &&
            WaitForFile(s_Dir + L"\\tone.pid", 5000);
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

INSTANTIATE_TEST_SUITE_P(Settings, EngineWine,
                         testing::Values(Setting{8000, 1}, Setting{44100, 2}, Setting{48000, 2},
                                         Setting{96000, 2}),
                         [](const testing::TestParamInfo<Setting>& info) {
                             return std::to_string(info.param.sampleRate) + "Hz_" +
                                    std::to_string(info.param.channels) + "ch";
                         });

} // namespace
