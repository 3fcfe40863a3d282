// The main window's controls as a user sees them: ID, class, text, style, place; and the views.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

struct ControlRow {
    int id;
    const wchar_t* className;
    const wchar_t* text; // nullptr: not compared (a drop-down list answers with its selection)
    DWORD style;
    bool clientEdge;
    int x, y, w, h;
};

constexpr DWORD kLabel = 0x50000002, kPathBox = 0x50000880, kList = 0x50000243, kNumberBox = 0x50002080,
                kStatusBox = 0x40000881, kButton = 0x5000000B, kHiddenButton = 0x4000000B;

// In creation order.
inline const ControlRow kControls[24] = {
    {1, L"Static", L"ＭＰ３文件", kLabel, false, 40, 104, 120, 24},
    {9, L"Edit", L"", kPathBox, true, 164, 104, 320, 24},
    {17, L"Button", L"选择...", kButton, false, 488, 104, 120, 24},
    {2, L"Static", L"音频设备", kLabel, false, 40, 132, 120, 24},
    {10, L"ComboBox", nullptr, kList, false, 164, 132, 320, 240},
    {19, L"Button", L"调整音频", kButton, false, 488, 132, 120, 24},
    {3, L"Static", L"声    道", kLabel, false, 40, 160, 120, 24},
    {11, L"ComboBox", nullptr, kList, false, 164, 160, 320, 240},
    {5, L"Static", L"采 样 率", kLabel, false, 40, 188, 120, 24},
    {13, L"ComboBox", nullptr, kList, false, 164, 188, 320, 240},
    {4, L"Static", L"压缩位率", kLabel, false, 40, 216, 120, 24},
    {12, L"ComboBox", nullptr, kList, false, 164, 216, 320, 240},
    {6, L"Static", L"音频质量", kLabel, false, 40, 244, 120, 24},
    {14, L"ComboBox", nullptr, kList, false, 164, 244, 320, 240},
    {7, L"Static", L"单个MP3(MB)", kLabel, false, 40, 272, 120, 24},
    {15, L"Edit", L"0", kNumberBox, true, 164, 272, 320, 24},
    {8, L"Static", L"录制时长(分钟)", kLabel, false, 40, 300, 120, 24},
    {16, L"Edit", L"0", kNumberBox, true, 164, 300, 320, 24},
    {20, L"Button", L"使用帮助", kButton, false, 488, 300, 120, 24},
    {24, L"Edit", L"", kStatusBox, true, 160, 310, 320, 24},
    {22, L"Button", L"开始录制", kHiddenButton, false, 198, 352, 120, 24},
    {23, L"Button", L"停止录制", kHiddenButton, false, 198, 352, 120, 24},
    {21, L"Button", L"结束返回", kHiddenButton, false, 322, 352, 120, 24},
    {18, L"Button", L"准备就绪", kButton, false, 260, 352, 120, 24},
};

enum : int {
    kIdFile = 9,
    kIdDevice = 10,
    kIdChannels = 11,
    kIdBitRate = 12,
    kIdSampleRate = 13,
    kIdQuality = 14,
    kIdSplit = 15,
    kIdDuration = 16,
    kIdBrowse = 17,
    kIdReady = 18,
    kIdBack = 21,
    kIdStart = 22,
    kIdStop = 23,
    kIdStatus = 24
};

// Views as sets of shown IDs, bit n for ID n.
constexpr uint32_t Ids(int first, int last) {
    uint32_t bits = 0;
    for (int id = first; id <= last; ++id)
        bits |= 1u << id;
    return bits;
}
constexpr uint32_t kSetUpView = Ids(1, 20);
constexpr uint32_t kRecordingIdle = (1u << kIdBack) | (1u << kIdStart) | (1u << kIdStatus);
constexpr uint32_t kRecordingBusy = (1u << kIdBack) | (1u << kIdStop) | (1u << kIdStatus);

inline std::string DescribeIds(uint32_t bits) {
    std::string s = "{";
    for (int id = 1; id <= 24; ++id)
        if (bits & (1u << id)) {
            if (s.size() > 1)
                s += ' ';
            s += std::to_string(id);
        }
    return s + "}";
}

inline const wchar_t kHotKeyHint[] = L"Ctrl+Alt+F9 开始 Ctrl+Alt+F8 结束";
