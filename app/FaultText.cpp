#include "FaultText.h"

#include "Text16.h"

namespace {

// Windows asks before a desktop program may use a microphone; with access off, opening the device
// fails like any other fault, so the box names both likely causes, and the setting's place in
// Windows 11 and in Windows 10, which call it differently.
constexpr char16_t kPrivacyAdvice[] =
    u"\n\n请检查设备是否已连接。如果已连接，可能是 Windows 不允许本程序使用麦克风："
    u"请打开 设置 → 隐私和安全性 → 麦克风（Windows 10：设置 → 隐私 → 麦克风），允许桌面应用访问麦克风。";

struct SParts {
    const char16_t* before; // the text before the quoted name
    const char16_t* name;   // null: no name quoted
    const char16_t* after;  // the cause after the name
    const char16_t* advice;
};

SParts PartsOf(const SJobFault& fault, EFaultMoment moment, const char16_t* file, const char16_t* device) {
    switch (fault.kind) {
    case kJobFileCreate:
        return {moment == kFaultAtSplit ? u"无法创建下一个文件“" : u"无法创建文件“", file, u"”。", u""};
    case kJobDeviceOpen:
    case kJobDeviceStart:
        if (fault.code == kWaveBadFormat)
            return {u"音频输入设备“", device, u"”不支持所选的声道或采样率。", u"请换一种声道或采样率再试。"};
        if (fault.code == kWaveAllocated)
            return {u"音频输入设备“", device, u"”正被其他程序使用。", u"请关闭正在使用该设备的程序后再试。"};
        return {u"无法打开音频输入设备“", device, u"”。", kPrivacyAdvice};
    case kJobDeviceMissing:
        return {u"找不到音频输入设备“", device, u"”。",
                u"请检查设备是否已连接，或点击“结束返回”选择其他设备。"};
    case kJobEncoder:
        return {u"编码器不接受所选的采样率、声道和位率。", nullptr, u"", u"请换一种设置再试。"};
    case kJobDeviceQuiet:
        return {u"输入设备已停止传送声音。", nullptr, u"", u""};
    default:
        return {u"内存或系统资源不足。", nullptr, u"", u""};
    }
}

} // namespace

int FormatFaultText(const SJobFault& fault, EFaultMoment moment, const char16_t* fileName,
                    const char16_t* deviceName, const char16_t* reason, char16_t* out, size_t outUnits) {
    const SParts parts = PartsOf(fault, moment, fileName, deviceName);
    const char16_t* outcome =
        moment == kFaultAtSplit ? u"录音已停止，已录下的文件都已保存。" : u"录音没有开始。";
    size_t pos = 0;
    if (outUnits == 0)
        return 0;
    out[0] = 0;
    int ok = Append16(out, outUnits, &pos, parts.before) &&
             (!parts.name || Append16(out, outUnits, &pos, parts.name)) &&
             Append16(out, outUnits, &pos, parts.after) && Append16(out, outUnits, &pos, outcome) &&
             Append16(out, outUnits, &pos, parts.advice);
    if (ok && reason && *reason)
        ok = Append16(out, outUnits, &pos, u"\n\n系统原因：") && Append16(out, outUnits, &pos, reason);
    return ok;
}
