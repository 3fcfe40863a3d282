// The end-to-end driver: GoogleTest cases against the real Kavel.exe, or the demo recording.
//   e2e_driver --kavel=<folder of Kavel.exe> --out=<folder for results> [--demo=<seconds>] [gtest flags]
// Runs inside a Wine virtual desktop that it shares with the program and the hot-key helpers.
#include "Demo.h"
#include "E2eSupport.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

bool Flag(const wchar_t* arg, const wchar_t* name, std::wstring* value) {
    const size_t n = std::wcslen(name);
    if (std::wcsncmp(arg, name, n) != 0)
        return false;
    *value = arg + n;
    while (!value->empty() && (value->back() == L'\\' || value->back() == L'/'))
        value->pop_back();
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::wstring demo;
    for (int i = 1; i < argc; ++i) {
        if (!Flag(argv[i], L"--kavel=", &g_config.kavelDir) && !Flag(argv[i], L"--out=", &g_config.outDir) &&
            !Flag(argv[i], L"--demo=", &demo)) {
            std::fprintf(stderr, "unknown argument %ls\n", argv[i]);
            return 2;
        }
    }
    if (g_config.kavelDir.empty() || g_config.outDir.empty()) {
        std::fprintf(stderr, "usage: e2e_driver --kavel=<folder> --out=<folder> [--demo=<seconds>]\n");
        return 2;
    }
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    g_config.toolDir.assign(self, n);
    g_config.toolDir.resize(g_config.toolDir.find_last_of(L'\\'));
    const std::string url = KAVEL_E2E_DOWNLOAD_URL;
    g_config.downloadUrl.assign(url.begin(), url.end());
    CreateDirectoryW(g_config.outDir.c_str(), nullptr);

    if (!demo.empty())
        return RunDemo(std::max(1, _wtoi(demo.c_str())));
    return RUN_ALL_TESTS();
}
