// The demo that scripts/run records on a virtual display: a few seconds of whatever plays into the
// sound card, through the window's own buttons, and screenshots of the set-up view and of the
// window while it records.
#include "Demo.h"

#include "E2eSupport.h"
#include "Layout.h"
#include "Screenshot.h"

#include <cstdio>

int RunDemo(int seconds) {
    EndStrayKavels();
    CKavel kavel;
    if (!kavel.Start(g_config.kavelDir) || !kavel.WaitForWindow()) {
        std::printf("demo: Kavel.exe did not show its window\n");
        return 1;
    }
    const std::wstring file = OutPath(L"demo.mp3");
    DeleteFileW(file.c_str());
    PumpFor(500); // the first paint settles
    CShot setUp;
    if (!setUp.Capture(kavel.Window()) || !setUp.SaveBmp(OutPath(L"setup.bmp")))
        std::printf("demo: no screenshot of the set-up view\n");
    SetText(kavel.Item(kIdFile), file);
    Click(kavel.Item(kIdReady));
    Click(kavel.Item(kIdStart));
    if (!Shown(kavel.Item(kIdStop))) {
        std::printf("demo: the recording did not start\n");
        return 1;
    }
    // Wine's capture starts late: count the seconds from the first bytes shown, so that the file
    // holds about that much sound.
    unsigned mb = 0, bytes = 0;
    WaitUntil([&] { return ParseStatus(TextOf(kavel.Item(kIdStatus)), &mb, &bytes) && bytes > 0; }, 10000);
    PumpFor(static_cast<DWORD>(seconds) * 1000);
    CShot shot;
    const bool shotOk = shot.Capture(kavel.Window()) && shot.SaveBmp(OutPath(L"demo.bmp"));
    std::printf("demo: status %s\n", Utf8(TextOf(kavel.Item(kIdStatus))).c_str());
    Click(kavel.Item(kIdStop));
    kavel.Close();
    const int64_t size = FileSize(file);
    std::printf("demo: %lld bytes recorded, screenshot %s\n", static_cast<long long>(size),
                shotOk ? "saved" : "failed");
    return size > 128 && shotOk ? 0 : 1;
}
