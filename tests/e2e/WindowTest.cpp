// The main window as it appears: place, size, style, title, the 24 controls, the lists, the skin and
// the painted buttons; and the start without a skin file.
#include "E2eFixture.h"
#include "Screenshot.h"
#include "SkinImage.h"

#include <mmsystem.h>

#include <algorithm>

using Window = KavelCase;

namespace {

RECT ClientRectOf(HWND hChild) {
    RECT r;
    GetWindowRect(hChild, &r);
    MapWindowPoints(nullptr, GetParent(hChild), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool SameClass(const std::wstring& a, const wchar_t* b) {
    return lstrcmpiW(a.c_str(), b) == 0;
}

// The names the wave-input service lists, read in this process for comparison.
std::vector<std::wstring> CaptureDeviceNames() {
    std::vector<std::wstring> names;
    const UINT n = waveInGetNumDevs();
    for (UINT i = 0; i < n; ++i) {
        WAVEINCAPSW caps;
        if (waveInGetDevCapsW(i, &caps, sizeof caps) != MMSYSERR_NOERROR)
            break;
        names.push_back(caps.szPname);
    }
    return names;
}

struct PixelCount {
    int matching = 0;
    int total = 0;
    double Share() const { return total ? static_cast<double>(matching) / total : 0; }
};

template <class Pred> PixelCount CountPixels(const CShot& shot, RECT area, Pred pred, int step = 1) {
    PixelCount c;
    for (int y = area.top; y < area.bottom; y += step)
        for (int x = area.left; x < area.right; x += step) {
            ++c.total;
            if (pred(x, y, shot.Client(x, y)))
                ++c.matching;
        }
    return c;
}

RECT Inset(RECT r, int by) {
    return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

} // namespace

TEST_F(Window, IsCentredFixedSizeAndTitled) {
    const int sx = GetSystemMetrics(SM_CXSCREEN), sy = GetSystemMetrics(SM_CYSCREEN);
    RECT r;
    ASSERT_TRUE(GetWindowRect(m_hWnd, &r));
    EXPECT_EQ(r.left, (sx - 640) / 2);
    EXPECT_EQ(r.top, (sy - 480) / 2);
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 480);

    const DWORD style = GetWindowLongW(m_hWnd, GWL_STYLE);
    EXPECT_EQ(style & 0x80CA0000u, 0x80CA0000u)
        << std::hex << style; // pop-up, caption, system menu, minimise
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD), 0u) << std::hex << style;
    EXPECT_EQ(GetWindowLongW(m_hWnd, GWL_EXSTYLE) & 0x300, 0x300);
    EXPECT_EQ(GetMenu(m_hWnd), nullptr);
    EXPECT_EQ(GetParent(m_hWnd), nullptr);
    // The title comes from the scrambled strings record: a wrong key would show as garbage here.
    EXPECT_EQ(Utf8(TextOf(m_hWnd)), Utf8(L"Kavel 录音机"));
}

TEST_F(Window, ControlsMatchTheLayout) {
    // Children in creation order, as the window keeps them.
    std::vector<int> order;
    for (HWND h = GetWindow(m_hWnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        order.push_back(GetDlgCtrlID(h));
    std::vector<int> expectedOrder;
    for (const ControlRow& row : kControls)
        expectedOrder.push_back(row.id);
    EXPECT_EQ(order, expectedOrder);

    for (const ControlRow& row : kControls) {
        SCOPED_TRACE("control ID " + std::to_string(row.id));
        HWND h = Item(row.id);
        ASSERT_NE(h, nullptr);
        EXPECT_TRUE(SameClass(ClassOf(h), row.className)) << Utf8(ClassOf(h));
        if (row.text) {
            EXPECT_EQ(Utf8(TextOf(h)), Utf8(row.text));
        }
        const DWORD style = GetWindowLongW(h, GWL_STYLE);
        EXPECT_EQ(style & 0xFFFF, row.style & 0xFFFF) << std::hex << style;
        EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_DISABLED),
                  row.style & (WS_CHILD | WS_VISIBLE))
            << std::hex << style;
        EXPECT_EQ((GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0, row.clientEdge);
        const RECT r = ClientRectOf(h);
        EXPECT_EQ(r.left, row.x);
        EXPECT_EQ(r.top, row.y);
        EXPECT_EQ(r.right - r.left, row.w);
        if (SameClass(ClassOf(h), L"ComboBox")) {
            // A drop-down list shows its closed height; the given height is that of the open list.
            RECT drop = {};
            SendMessageTimeoutW(h, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&drop), SMTO_NORMAL,
                                5000, nullptr);
            MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&drop), 2);
            EXPECT_EQ(drop.top, row.y);
            // Windows reports the open list from the control's top; Wine leaves out the closed part.
            const int closed = r.bottom - r.top, open = drop.bottom - drop.top;
            EXPECT_TRUE(open == row.h || closed + open == row.h) << "closed " << closed << ", open " << open;
        } else {
            EXPECT_EQ(r.bottom - r.top, row.h);
        }
    }
    EXPECT_VIEW(kSetUpView);
}

TEST_F(Window, ListsHoldTheirEntriesAndDefaults) {
    struct List {
        int id;
        std::vector<std::wstring> entries;
        int selected;
    };
    const List lists[] = {
        {kIdChannels, {L"单声道", L"双声道 (推荐)"}, 1},
        {kIdSampleRate,
         {L"8000Hz 语音音质", L"22050Hz 广播ＦＭ音质", L"44100Hz ＣＤ音质(推荐)", L"48000Hz ＤＶＤ音质",
          L"96000Hz 录音室音质"},
         2},
        {kIdBitRate, {L"1 倍位率", L"2 倍位率(推荐)", L"3 倍位率"}, 1},
        {kIdQuality, {L"质量最好 (推荐)", L"适中", L"速度最快"}, 0},
    };
    for (const List& list : lists) {
        SCOPED_TRACE("list ID " + std::to_string(list.id));
        std::vector<std::string> got, want;
        for (const std::wstring& e : ComboEntries(Item(list.id)))
            got.push_back(Utf8(e));
        for (const std::wstring& e : list.entries)
            want.push_back(Utf8(e));
        EXPECT_EQ(got, want);
        EXPECT_EQ(ComboSelection(Item(list.id)), list.selected);
    }

    // The Pulse server gives Wine at least its default source; the program lists what we list.
    const std::vector<std::wstring> devices = CaptureDeviceNames();
    ASSERT_FALSE(devices.empty()) << "no capture device in this environment";
    std::vector<std::string> got, want;
    for (const std::wstring& e : ComboEntries(Item(kIdDevice)))
        got.push_back(Utf8(e));
    for (const std::wstring& e : devices)
        want.push_back(Utf8(e));
    EXPECT_EQ(got, want);
    EXPECT_EQ(ComboSelection(Item(kIdDevice)), 0);
}

TEST_F(Window, SkinAndOwnerDrawnButtonsArePainted) {
    PumpFor(700); // let the first paint settle
    CShot shot;
    ASSERT_TRUE(shot.Capture(m_hWnd));
    EXPECT_TRUE(shot.SaveBmp(OutPath(L"window.bmp")));
    RECT client;
    GetClientRect(m_hWnd, &client);

    std::vector<RECT> controls;
    for (const ControlRow& row : kControls)
        if (Shown(Item(row.id))) {
            RECT r = ClientRectOf(Item(row.id));
            controls.push_back({r.left - 3, r.top - 3, r.right + 3, r.bottom + 3});
        }
    auto onBackground = [&](int x, int y) {
        POINT p = {x, y};
        return std::none_of(controls.begin(), controls.end(), [&](const RECT& r) { return PtInRect(&r, p); });
    };

    // Where no control lies, the window shows the skin itself, tiled from the client origin.
    CSkinImage skin;
    ASSERT_TRUE(skin.Load(g_config.kavelDir + L"\\Kavel.eb")) << "Kavel.eb missing or not a plain bitmap";
    PixelCount background = CountPixels(
        shot, client,
        [&](int x, int y, uint32_t px) {
            return !onBackground(x, y) || px == skin.At(x % skin.Width(), y % skin.Height());
        },
        3);
    EXPECT_GT(background.Share(), 0.97) << background.matching << " of " << background.total;
    const uint32_t face = GetSysColor(COLOR_BTNFACE);
    const uint32_t faceRgb = Rgb(GetRValue(face), GetGValue(face), GetBValue(face));
    PixelCount grey = CountPixels(
        shot, client, [&](int x, int y, uint32_t px) { return onBackground(x, y) && px == faceRgb; }, 3);
    EXPECT_LT(grey.Share(), 0.5);

    // Owner-drawn buttons: a one-pixel green frame along the inside of the item, caption over the skin.
    for (int id : {+kIdBrowse, 19, 20, +kIdReady}) {
        SCOPED_TRACE("button ID " + std::to_string(id));
        const RECT r = ClientRectOf(Item(id));
        int green = 0, edge = 0;
        for (int x = r.left; x < r.right; ++x)
            for (int y : {static_cast<int>(r.top), static_cast<int>(r.bottom) - 1}) {
                ++edge;
                green += shot.Client(x, y) == Rgb(0, 192, 0);
            }
        for (int y = r.top; y < r.bottom; ++y)
            for (int x : {static_cast<int>(r.left), static_cast<int>(r.right) - 1}) {
                ++edge;
                green += shot.Client(x, y) == Rgb(0, 192, 0);
            }
        EXPECT_GT(green, edge * 9 / 10) << green << " of " << edge << " frame pixels green";
        PixelCount caption = CountPixels(shot, Inset(r, 2), [&](int x, int y, uint32_t px) {
            const int red = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
            return px != skin.At(x % skin.Width(), y % skin.Height()) && b > red + 40 && b > g + 40;
        });
        EXPECT_GT(caption.matching, 10) << "no navy caption drawn";
        PixelCount plate =
            CountPixels(shot, Inset(r, 1), [](int, int, uint32_t px) { return px == Rgb(164, 210, 198); });
        EXPECT_GT(plate.Share(), 0.5) << "no light plate under the caption";
    }

    // Labels: yellow text straight on the skin; typed-in and read-only boxes: black behind cyan.
    PixelCount yellow = CountPixels(shot, ClientRectOf(Item(1)), [](int, int, uint32_t px) {
        return ((px >> 16) & 0xFF) > 150 && ((px >> 8) & 0xFF) > 150 && (px & 0xFF) < 100;
    });
    EXPECT_GT(yellow.matching, 10) << "label text not yellow";
    for (int id : {+kIdFile, +kIdSplit, +kIdDuration}) {
        SCOPED_TRACE("edit ID " + std::to_string(id));
        PixelCount black = CountPixels(shot, Inset(ClientRectOf(Item(id)), 3),
                                       [](int, int, uint32_t px) { return px == 0; });
        EXPECT_GT(black.Share(), 0.6);
    }
    PixelCount cyan = CountPixels(shot, Inset(ClientRectOf(Item(kIdSplit)), 3), [](int, int, uint32_t px) {
        return ((px >> 16) & 0xFF) < 100 && ((px >> 8) & 0xFF) > 150 && (px & 0xFF) > 150;
    });
    EXPECT_GT(cyan.matching, 3) << "the split field's \"0\" is not cyan";
}

TEST(WindowNoSkin, StartsWithoutSkinFile) {
    EndStrayKavels();
    // A copy of the output folder without Kavel.eb.
    const std::wstring dir = OutPath(L"noskin");
    CreateDirectoryW(dir.c_str(), nullptr);
    for (const wchar_t* name : {L"Kavel.exe", L"ca.dll"})
        ASSERT_TRUE(
            CopyFileW((g_config.kavelDir + L"\\" + name).c_str(), (dir + L"\\" + name).c_str(), FALSE));
    DeleteFileW((dir + L"\\Kavel.eb").c_str());

    CKavel kavel;
    ASSERT_TRUE(kavel.Start(dir));
    HWND hWnd = kavel.WaitForWindow();
    ASSERT_NE(hWnd, nullptr);
    for (const ControlRow& row : kControls) {
        ASSERT_NE(kavel.Item(row.id), nullptr) << row.id;
        EXPECT_EQ(Shown(kavel.Item(row.id)), (kSetUpView >> row.id) & 1) << row.id;
    }
    PumpFor(500);
    CShot shot;
    ASSERT_TRUE(shot.Capture(hWnd));
    shot.SaveBmp(OutPath(L"window-noskin.bmp"));
    // No skin behind the controls: the window is not painted with it (the copy really lacks it).
    CSkinImage skin;
    ASSERT_TRUE(skin.Load(g_config.kavelDir + L"\\Kavel.eb"));
    RECT client;
    GetClientRect(hWnd, &client);
    PixelCount painted = CountPixels(
        shot, client,
        [&](int x, int y, uint32_t px) { return px == skin.At(x % skin.Width(), y % skin.Height()); }, 3);
    EXPECT_LT(painted.Share(), 0.3);

    PostMessageW(hWnd, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(kavel.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
}
