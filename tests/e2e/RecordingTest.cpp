// Recordings through the window: start and stop by button, the status count and a second series on
// one name with a 1 kHz tone playing into the null sink; the split at 1 MB, the time limit and an
// input device that goes away with seeded noise playing instead (the run script's noise phase).
// The files are decoded afterwards by the checking phase (check_mp3.py).
#include "E2eFixture.h"
#include "WineUnix.h"

class Recording : public KavelCase {
  protected:
    // Arms with the file, starts by button and waits until the status counts more than minBytes.
    void StartRecordingInto(const std::wstring& file, unsigned minBytes) {
        Arm(file);
        ASSERT_VIEW(kRecordingIdle);
        Click(Item(kIdStart));
        ASSERT_VIEW(kRecordingBusy);
        unsigned mb = 0, bytes = 0;
        ASSERT_TRUE(WaitUntil(
            [&] { return ParseStatus(TextOf(Item(kIdStatus)), &mb, &bytes) && bytes > minBytes; }, 8000));
    }
};

namespace {

constexpr int64_t kMegabyte = 1 << 20;
constexpr int64_t kTagBytes = 128;

void DeleteSeries(const std::wstring& stem) {
    DeleteFileW(OutPath(stem + L".mp3").c_str());
    for (int i = 1; i < 10; ++i)
        DeleteFileW(OutPath(stem + L"_" + std::to_wstring(i) + L".mp3").c_str());
}

} // namespace

TEST_F(Recording, SessionEndFinishesTheFileBeforeWindowsEndsTheProgram) {
    const std::wstring file = OutPath(L"session.mp3");
    DeleteSeries(L"session");
    ASSERT_NO_FATAL_FAILURE(StartRecordingInto(file, 0));
    // Once the program has answered, Windows may end it at any moment: the tag must be there.
    SendMessageW(m_hWnd, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    const std::vector<uint8_t> data = ReadAll(file);
    ASSERT_GE(data.size(), static_cast<size_t>(kTagBytes));
    EXPECT_EQ(std::string(data.end() - kTagBytes, data.end() - kTagBytes + 3), "TAG");
    EXPECT_VIEW(kRecordingIdle);
}

TEST_F(Recording, StartAndStopByButton) {
    const std::wstring file = OutPath(L"button.mp3");
    DeleteSeries(L"button");
    Arm(file);
    ASSERT_VIEW(kRecordingIdle);

    Click(Item(kIdStart));
    ASSERT_VIEW(kRecordingBusy);
    // The file is made once the device runs, which Wine may let a sent message overtake.
    EXPECT_TRUE(WaitUntil([&] { return FileExists(file); }, 5000));
    EXPECT_EQ(TextOf(Item(kIdStatus)), L"") << "the hint stays after a start";

    unsigned mb = 0, first = 0, later = 0;
    ASSERT_TRUE(
        WaitUntil([&] { return ParseStatus(TextOf(Item(kIdStatus)), &mb, &first) && first > 0; }, 5000))
        << Utf8(TextOf(Item(kIdStatus)));
    EXPECT_EQ(mb, first >> 20);
    PumpFor(2500);
    ASSERT_TRUE(ParseStatus(TextOf(Item(kIdStatus)), &mb, &later)) << Utf8(TextOf(Item(kIdStatus)));
    EXPECT_GT(later, first) << "the count is not refreshed";

    Click(Item(kIdStop));
    EXPECT_VIEW(kRecordingIdle);
    // After a stop the field keeps the last figures; the file has all of them and the tag.
    unsigned last = 0;
    EXPECT_TRUE(ParseStatus(TextOf(Item(kIdStatus)), &mb, &last));
    EXPECT_GE(last, later);
    EXPECT_GE(FileSize(file), static_cast<int64_t>(last) + kTagBytes);

    Click(Item(kIdBack));
    EXPECT_VIEW(kSetUpView);
    EXPECT_FALSE(FileExists(OutPath(L"button_1.mp3")));
    ExpectMp3("Recording.StartAndStopByButton", L"button.mp3", 2.0);
}

TEST_F(Recording, SplitsAtOneMegabyteAndEndsAtTimeLimit) {
    DeleteSeries(L"split");
    SetText(Item(kIdSplit), L"1");
    SetText(Item(kIdDuration), L"1");
    // 96 kHz at three times the rate: about 32 kB a second, so 1 MB comes after about half a minute,
    // well inside the one-minute limit. The fastest setting keeps the load low.
    ComboSelect(Item(kIdSampleRate), 4);
    ComboSelect(Item(kIdBitRate), 2);
    ComboSelect(Item(kIdQuality), 2);
    Arm(OutPath(L"split.mp3"));
    ASSERT_VIEW(kRecordingIdle);

    const DWORD t0 = GetTickCount();
    Click(Item(kIdStart));
    ASSERT_VIEW(kRecordingBusy);
    ASSERT_TRUE(WaitUntil([] { return FileExists(OutPath(L"split_1.mp3")); }, 55000, 200))
        << "no follow-on file; split.mp3 has " << FileSize(OutPath(L"split.mp3")) << " bytes";
    EXPECT_VIEW(kRecordingBusy) << "recording must go on in the next file";

    ASSERT_TRUE(WaitUntil([&] { return ShownIds() == kRecordingIdle; }, 75000 - (GetTickCount() - t0), 200))
        << "the time limit did not end the recording";
    const DWORD elapsedMs = GetTickCount() - t0;
    EXPECT_GT(elapsedMs, 60000u);
    EXPECT_LT(elapsedMs, 68000u);

    // Every file but the last was closed at the first tick with at least 1 MB of MP3 data.
    std::vector<std::wstring> files = {L"split.mp3"};
    for (int i = 1; FileExists(OutPath(L"split_" + std::to_wstring(i) + L".mp3")); ++i)
        files.push_back(L"split_" + std::to_wstring(i) + L".mp3");
    for (size_t i = 0; i + 1 < files.size(); ++i) {
        const int64_t size = FileSize(OutPath(files[i]));
        EXPECT_GE(size, kMegabyte + kTagBytes) << Utf8(files[i]);
        EXPECT_LT(size, kMegabyte + kTagBytes + 200000) << Utf8(files[i]);
    }
    EXPECT_GT(FileSize(OutPath(files.back())), kTagBytes);

    // The time limit belongs to the series: a new start runs into it at the next tick.
    Click(Item(kIdStart));
    EXPECT_TRUE(WaitUntil([&] { return ShownIds() == kRecordingIdle; }, 8000, 100));

    Click(Item(kIdBack));
    EXPECT_VIEW(kSetUpView);
    ExpectMp3("Recording.SplitsAtOneMegabyteAndEndsAtTimeLimit", files[0], 25.0, false);
    ExpectMp3("Recording.SplitsAtOneMegabyteAndEndsAtTimeLimit", files[1], 10.0, false);
    ExpectSeamless("Recording.SplitsAtOneMegabyteAndEndsAtTimeLimit", files);
}

namespace {

// Runs a Linux command and waits for it to end.
bool RunUnix(const std::string& command, const std::wstring& marker) {
    DeleteFileW(marker.c_str());
    return StartUnix(command + "; echo done > " + Quoted(UnixPath(marker))) && WaitForFile(marker, 10000);
}

// The null sink and with it its monitor, the capture device, is gone until Restore or the end.
class CSinkUnloaded {
  public:
    CSinkUnloaded() {
        m_bUnloaded = RunUnix("pactl unload-module module-null-sink", OutPath(L"unload.done"));
    }
    ~CSinkUnloaded() { Restore(); }
    bool Unloaded() const { return m_bUnloaded; }
    void Restore() {
        if (!m_bUnloaded)
            return;
        m_bUnloaded = false;
        RunUnix("pactl load-module module-null-sink sink_name=kv_sink >/dev/null; pactl set-default-sink "
                "kv_sink; "
                "pactl set-default-source kv_sink.monitor",
                OutPath(L"load.done"));
    }

  private:
    bool m_bUnloaded = false;
};

} // namespace

TEST_F(Recording, InputDeviceThatGoesAwayEndsTheRecordingWithAFinishedFile) {
    DeleteSeries(L"gone");
    ASSERT_NO_FATAL_FAILURE(StartRecordingInto(OutPath(L"gone.mp3"), 20000));

    CSinkUnloaded gone;
    ASSERT_TRUE(gone.Unloaded()) << "pactl could not unload the null sink";
    const std::wstring warning = AnswerBox();
    EXPECT_NE(warning.find(L"输入设备"), std::wstring::npos) << "warning: " << Utf8(warning);
    EXPECT_VIEW(kRecordingIdle) << "the window must not claim a recording that is not happening";
    EXPECT_TRUE(m_Kavel.Running());

    // With no device a start fails and leaves nothing; once it is back, the next start takes the
    // name the failed one would have had.
    Click(Item(kIdStart));
    EXPECT_VIEW(kRecordingIdle);
    EXPECT_FALSE(FileExists(OutPath(L"gone_1.mp3")));
    gone.Restore();
    Click(Item(kIdStart));
    ASSERT_VIEW(kRecordingBusy);
    PumpFor(1500);
    Click(Item(kIdStop));
    EXPECT_TRUE(FileExists(OutPath(L"gone_1.mp3")));
    EXPECT_FALSE(FileExists(OutPath(L"gone_2.mp3")));
    Click(Item(kIdBack));
    EXPECT_VIEW(kSetUpView);
    ExpectMp3("Recording.InputDeviceThatGoesAwayEndsTheRecordingWithAFinishedFile", L"gone.mp3", 0.5, false);
}

TEST_F(Recording, NewSeriesKeepsEarlierFollowOnFiles) {
    DeleteSeries(L"series");
    // Wine's capture starts about a second late and a stop drops the block being filled: 3.5 s
    // of recording leave well over a second of sound.
    auto record = [&](int times) {
        for (int i = 0; i < times; ++i) {
            Click(Item(kIdStart));
            ASSERT_VIEW(kRecordingBusy);
            PumpFor(3500);
            Click(Item(kIdStop));
            ASSERT_VIEW(kRecordingIdle);
        }
    };
    Arm(OutPath(L"series.mp3"));
    ASSERT_VIEW(kRecordingIdle);
    record(3);
    Click(Item(kIdBack));
    ASSERT_TRUE(FileExists(OutPath(L"series_2.mp3")));
    ASSERT_FALSE(FileExists(OutPath(L"series_3.mp3")));
    const std::vector<uint8_t> oldBase = ReadAll(OutPath(L"series.mp3"));
    const std::vector<uint8_t> old1 = ReadAll(OutPath(L"series_1.mp3"));
    const std::vector<uint8_t> old2 = ReadAll(OutPath(L"series_2.mp3"));

    // Same name again: the first file is replaced, the follow-ons go past the existing ones.
    Arm(OutPath(L"series.mp3"));
    ASSERT_VIEW(kRecordingIdle);
    record(2);
    Click(Item(kIdBack));
    EXPECT_NE(ReadAll(OutPath(L"series.mp3")), oldBase);
    EXPECT_TRUE(ReadAll(OutPath(L"series_1.mp3")) == old1) << "series_1.mp3 was overwritten";
    EXPECT_TRUE(ReadAll(OutPath(L"series_2.mp3")) == old2) << "series_2.mp3 was overwritten";
    EXPECT_TRUE(FileExists(OutPath(L"series_3.mp3")));
    EXPECT_FALSE(FileExists(OutPath(L"series_4.mp3")));

    ExpectMp3("Recording.NewSeriesKeepsEarlierFollowOnFiles", L"series.mp3", 1.0);
    ExpectMp3("Recording.NewSeriesKeepsEarlierFollowOnFiles", L"series_1.mp3", 1.0);
    ExpectMp3("Recording.NewSeriesKeepsEarlierFollowOnFiles", L"series_3.mp3", 1.0);
}
