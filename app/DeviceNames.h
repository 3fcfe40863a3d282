// Which input device the device list stands for. The list follows the system, so the chosen device
// is known by its name, not by its position: the position of a device that went away would open
// another one. Devices of the same name are told apart by their order. No platform calls here.
#pragma once
#include <cstddef>

// The wave-input product names hold at most 31 characters.
constexpr size_t kDeviceNameUnits = 32;
// Shown after the chosen device's name while it is not there.
inline constexpr char16_t kGoneMark[] = u"（已断开）";
constexpr size_t kDeviceEntryUnits = kDeviceNameUnits + sizeof kGoneMark / sizeof kGoneMark[0] - 1;
constexpr int kMaxDevices = 64;

// What the list shows: the system's devices, and the chosen one marked gone while it is not there.
struct SDeviceList {
    char16_t text[kMaxDevices][kDeviceEntryUnits];
    int count = 0;
    int selected = -1;  // the chosen entry; -1: none
    int goneEntry = -1; // the entry that stands for the chosen device while it is gone; -1: none

    // Adds an entry; a text too long for an entry is cut.
    void Add(const char16_t* entry);
};

// The list to show for the system's devices now (names, count of them): the chosen entry of shown
// is kept by its name and order, chosen again when it is back, and while it is not there it stays
// chosen as the last entry, marked gone. Without a choice the first device is chosen. 0 when the
// chosen device is gone.
int FollowDevices(const SDeviceList& shown, const char16_t* const* names, int count, SDeviceList* next);

// The system's index of the chosen device among names, with its name in name; -1 when it is gone
// or nothing is chosen.
int ChosenDeviceIndex(const SDeviceList& shown, const char16_t* const* names, int count,
                      char16_t (&name)[kDeviceNameUnits]);
