// End-to-end driver: walks each user flow of the real Kavel.exe once (the *Test.cpp files).
//   e2e_driver [GoogleTest flags] <folder of Kavel.exe> <empty folder for results> [demo seconds]
// A copy planted for the browser or control.exe only notes its command line in planted.log. Planted copies
// stay: the Wine prefix and the release folder are the run's own.
#include "E2eSupport.h"
#include "RunCases.h"

// Every case starts with version 2 served and the tone playing into the sound card, whatever the case
// before changed.
class CCaseStart : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        EXPECT_TRUE(Scripted("kv_update_server_serve 2 && kv_sound_ready"))
            << "version 2 served, the tone playing";
        // A program planted in an earlier case started late: that case failed, not this one.
        EXPECT_LT(Size("planted.log"), 0) << "started before this case: " << Logged();
    }
};

// scripts/run's demo: seconds of whatever plays into the sound card, through the window's buttons,
// with screenshots of the set-up view and of the window (640 x 480, centred) while it records.
int Demo(int seconds) {
    const std::string shot = "; import -window root -crop 640x480+192+144 ";
    Kavel k;
    const bool shown = k.Window() && RunUnix(g_out, "sleep 0.5" + shot + "setup.png") == 0;
    k.Arm(Out(L"demo.mp3").wstring());
    k.Start();
    const bool recorded = RunUnix(g_out, "sleep " + std::to_string(seconds + 1) + shot + "demo.png") == 0;
    k.Click(23);
    return shown && recorded ? 0 : 1;
}

int wmain(int argc, wchar_t** argv) {
    if (!std::wstring(_wpgmptr).ends_with(L"\\e2e_driver.exe")) // a planted copy, started in Kavel's folder
        return !(std::wofstream("planted.log", std::ios::app) << GetCommandLineW() << L'\n');
    testing::InitGoogleTest(&argc, argv);
    if (argc < 3 || !SetCurrentDirectoryW(argv[1]))
        return 2;
    g_out = argv[2];
    testing::UnitTest::GetInstance()->listeners().Append(new CCaseStart);
    // The exit status in the log as well, for tests/e2e/run: the Wine desktop does not pass it on.
    const int status = argc > 3 ? Demo(_wtoi(argv[3])) : RunCases();
    return std::printf("[ EXIT     ] %d\n", status) > 0 ? status : 1;
}
