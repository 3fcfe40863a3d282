#include "DeviceList.h"

#include <mmsystem.h>

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));
// The item data of the entry that stands for the chosen device while it is gone.
constexpr LPARAM kGoneData = 1;

struct SSystemNames {
    wchar_t text[kMaxDevices][kDeviceNameUnits];
    const char16_t* list[kMaxDevices];
    int count = 0;
};

// Stops at the first device whose capabilities cannot be read, so a position is the device's index.
void ReadSystemNames(SSystemNames* names) {
    static_assert(sizeof(WAVEINCAPSW) == 80);
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count && names->count < kMaxDevices; ++i) {
        WAVEINCAPSW caps;
        if (waveInGetDevCapsW(i, &caps, sizeof caps) != MMSYSERR_NOERROR)
            break;
        lstrcpynW(names->text[names->count], caps.szPname, kDeviceNameUnits);
        names->list[names->count] = reinterpret_cast<const char16_t*>(names->text[names->count]);
        ++names->count;
    }
}

// The list as it stands, whoever filled it.
void ReadShown(HWND combo, SDeviceList* shown) {
    const int count = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    shown->count = 0;
    shown->goneEntry = -1;
    for (int i = 0; i < count && i < kMaxDevices; ++i) {
        wchar_t text[kDeviceEntryUnits] = L"";
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < static_cast<LRESULT>(kDeviceEntryUnits))
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        shown->Add(reinterpret_cast<const char16_t*>(text));
        if (SendMessageW(combo, CB_GETITEMDATA, i, 0) == kGoneData)
            shown->goneEntry = i;
    }
    shown->selected = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

bool SameList(const SDeviceList& a, const SDeviceList& b) {
    if (a.count != b.count || a.selected != b.selected || a.goneEntry != b.goneEntry)
        return false;
    for (int i = 0; i < a.count; ++i)
        if (lstrcmpW(reinterpret_cast<const wchar_t*>(a.text[i]),
                     reinterpret_cast<const wchar_t*>(b.text[i])))
            return false;
    return true;
}

void Show(HWND combo, const SDeviceList& list) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < list.count; ++i)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(list.text[i]));
    if (list.goneEntry >= 0)
        SendMessageW(combo, CB_SETITEMDATA, list.goneEntry, kGoneData);
    SendMessageW(combo, CB_SETCURSEL, list.selected, 0);
}

} // namespace

int RefreshDeviceList(HWND combo, wchar_t* lost) {
    // UI thread only; a few kilobytes each.
    static SDeviceList shown, next;
    static SSystemNames system;
    system.count = 0;
    ReadShown(combo, &shown);
    ReadSystemNames(&system);
    const int there = FollowDevices(shown, system.list, system.count, &next);
    // Unchanged, the list is left alone: it may be dropped down just now.
    if (!SameList(shown, next))
        Show(combo, next);
    char16_t name[kDeviceNameUnits];
    ChosenDeviceIndex(next, system.list, system.count, name);
    if (lost)
        lstrcpynW(lost, reinterpret_cast<const wchar_t*>(name), kDeviceNameUnits);
    return there;
}

int FindChosenDevice(HWND combo, wchar_t (&name)[kDeviceNameUnits]) {
    static SDeviceList shown;
    static SSystemNames system;
    system.count = 0;
    ReadShown(combo, &shown);
    ReadSystemNames(&system);
    return ChosenDeviceIndex(shown, system.list, system.count,
                             reinterpret_cast<char16_t(&)[kDeviceNameUnits]>(name));
}
