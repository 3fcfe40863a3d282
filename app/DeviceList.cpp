#include "DeviceList.h"

#include <mmsystem.h>

#include "DeviceNames.h"

namespace {

constexpr int kMaxDevices = 64;

struct SNames {
    wchar_t text[kMaxDevices][kDeviceNameUnits];
    const char16_t* list[kMaxDevices];
    int count = 0;

    void Add(const wchar_t* name) {
        lstrcpynW(text[count], name, kDeviceNameUnits);
        list[count] = reinterpret_cast<const char16_t*>(text[count]);
        ++count;
    }
};

// Stops at the first device whose capabilities cannot be read, so a position is the device's index.
void ReadSystemNames(SNames* names) {
    static_assert(sizeof(WAVEINCAPSW) == 80);
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count && names->count < kMaxDevices; ++i) {
        WAVEINCAPSW caps;
        if (waveInGetDevCapsW(i, &caps, sizeof caps) != MMSYSERR_NOERROR)
            break;
        names->Add(caps.szPname);
    }
}

void ReadListNames(HWND combo, SNames* names) {
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count && i < kMaxDevices; ++i) {
        wchar_t text[kDeviceNameUnits] = L"";
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < kDeviceNameUnits)
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        names->Add(text);
    }
}

// The chosen entry's name and how many entries before it carry the same name; -1 without one.
int ChosenEntry(HWND combo, SNames* listed, wchar_t (&name)[kDeviceNameUnits]) {
    ReadListNames(combo, listed);
    const int chosen = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    if (chosen < 0 || chosen >= listed->count)
        return -1;
    lstrcpynW(name, listed->text[chosen], kDeviceNameUnits);
    return DeviceOccurrence(listed->list, chosen);
}

} // namespace

int RefreshDeviceList(HWND combo, wchar_t* lost) {
    SNames listed, now;
    wchar_t name[kDeviceNameUnits] = L"";
    const int occurrence = ChosenEntry(combo, &listed, name);
    ReadSystemNames(&now);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < now.count; ++i)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(now.text[i]));
    const int kept =
        occurrence < 0 ? -1
                       : FindDevice(now.list, now.count, reinterpret_cast<const char16_t*>(name), occurrence);
    SendMessageW(combo, CB_SETCURSEL, kept < 0 ? 0 : kept, 0);
    if (lost)
        lstrcpynW(lost, name, kDeviceNameUnits);
    return occurrence < 0 || kept >= 0;
}

int FindChosenDevice(HWND combo, wchar_t (&name)[kDeviceNameUnits]) {
    SNames listed, now;
    name[0] = 0;
    const int occurrence = ChosenEntry(combo, &listed, name);
    if (occurrence < 0)
        return -1;
    ReadSystemNames(&now);
    return FindDevice(now.list, now.count, reinterpret_cast<const char16_t*>(name), occurrence);
}
