// What the "提示" boxes say when a recording does not start, cannot go on in its next file, or
// ends by itself: the cause, what became of the recording, what the user can do, and the system's
// own reason. No platform calls here.
#pragma once
#include <cstddef>

#include "JobFault.h"

enum EFaultMoment {
    kFaultAtStart, // nothing was recorded
    kFaultAtSplit, // the recording stopped; every file so far is finished
};

// The box text for fault. fileName and deviceName are the plain names the user chose; reason is
// the system's text for fault.code, or empty. 0 when it does not fit outUnits.
int FormatFaultText(const SJobFault& fault, EFaultMoment moment, const char16_t* fileName,
                    const char16_t* deviceName, const char16_t* reason, char16_t* out, size_t outUnits);

// The wave-input errors of a device another program holds (MMSYSERR_ALLOCATED), and of one that
// does not take the chosen channels or sample rate (WAVERR_BADFORMAT).
constexpr unsigned kWaveAllocated = 4;
constexpr unsigned kWaveBadFormat = 32;

inline constexpr char16_t kDeviceQuietText[] = u"输入设备已停止传送声音，录音已结束，已录下的内容已保存。";
inline constexpr char16_t kSleepText[] = u"计算机进入睡眠时录音已结束，已录下的文件已保存。";
