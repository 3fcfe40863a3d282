#include "ClickRules.h"

bool IsLeftoverClick(uint32_t clickTick, uint32_t shownTick, bool appearedUnderPointer,
                     uint32_t doubleClickMs) {
    // Unsigned difference: right across the wrap of the tick count.
    return appearedUnderPointer && clickTick - shownTick < doubleClickMs;
}
