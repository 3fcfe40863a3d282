#include "DeviceNames.h"

#include "Text16.h"

namespace {

bool SameText(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

void Copy(const char16_t* text, char16_t* out, size_t outUnits) {
    size_t pos = 0;
    out[0] = 0;
    Append16(out, outUnits, &pos, text);
}

// The chosen device's name (without the gone mark) and how many devices of that name come before it
// in the list; -1 without a choice.
int ChosenEntry(const SDeviceList& shown, char16_t (&name)[kDeviceNameUnits]) {
    name[0] = 0;
    if (shown.selected < 0 || shown.selected >= shown.count)
        return -1;
    char16_t entry[kDeviceEntryUnits];
    Copy(shown.text[shown.selected], entry, kDeviceEntryUnits);
    const size_t length = Length16(entry), mark = Length16(kGoneMark);
    if (shown.selected == shown.goneEntry && length >= mark && SameText(entry + length - mark, kGoneMark))
        entry[length - mark] = 0;
    Copy(entry, name, kDeviceNameUnits);
    int before = 0;
    for (int i = 0; i < shown.selected; ++i)
        before += i != shown.goneEntry && SameText(shown.text[i], name);
    return before;
}

// Position of the occurrence-th device called name among count names; -1 when there is none.
int FindDevice(const char16_t* const* names, int count, const char16_t* name, int occurrence) {
    for (int i = 0; i < count; ++i)
        if (SameText(names[i], name) && occurrence-- == 0)
            return i;
    return -1;
}

} // namespace

void SDeviceList::Add(const char16_t* entry) {
    if (count < kMaxDevices)
        Copy(entry, text[count++], kDeviceEntryUnits);
}

int FollowDevices(const SDeviceList& shown, const char16_t* const* names, int count, SDeviceList* next) {
    char16_t name[kDeviceNameUnits];
    const int occurrence = ChosenEntry(shown, name);
    next->count = 0;
    for (int i = 0; i < count; ++i)
        next->Add(names[i]);
    next->goneEntry = -1;
    next->selected = occurrence < 0 ? (next->count > 0 ? 0 : -1) : FindDevice(names, count, name, occurrence);
    if (occurrence < 0 || next->selected >= 0)
        return 1;
    // Still the choice while it is gone: arming and starting name it, and it is chosen again when back.
    char16_t entry[kDeviceEntryUnits];
    size_t pos = 0;
    entry[0] = 0;
    Append16(entry, kDeviceEntryUnits, &pos, name);
    Append16(entry, kDeviceEntryUnits, &pos, kGoneMark);
    next->count = next->count < kMaxDevices ? next->count : kMaxDevices - 1;
    next->Add(entry);
    next->selected = next->goneEntry = next->count - 1;
    return 0;
}

int ChosenDeviceIndex(const SDeviceList& shown, const char16_t* const* names, int count,
                      char16_t (&name)[kDeviceNameUnits]) {
    const int occurrence = ChosenEntry(shown, name);
    return occurrence < 0 ? -1 : FindDevice(names, count, name, occurrence);
}
