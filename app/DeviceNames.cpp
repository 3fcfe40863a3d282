#include "DeviceNames.h"

namespace {

bool SameText(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

} // namespace

int FindDevice(const char16_t* const* names, int count, const char16_t* name, int occurrence) {
    for (int i = 0; i < count; ++i)
        if (SameText(names[i], name) && occurrence-- == 0)
            return i;
    return -1;
}

int DeviceOccurrence(const char16_t* const* names, int position) {
    int before = 0;
    for (int i = 0; i < position; ++i)
        before += SameText(names[i], names[position]);
    return before;
}
