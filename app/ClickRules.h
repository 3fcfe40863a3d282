// Which button clicks run their command.
#pragma once
#include <cstdint>

// A click on a button that appeared under the pointer less than the double-click time ago is the
// second half of a double-click on the button that stood there before (the stop button takes the
// start button's place): it must not run a command of its own. Ticks are milliseconds that wrap.
bool IsLeftoverClick(uint32_t clickTick, uint32_t shownTick, bool appearedUnderPointer,
                     uint32_t doubleClickMs);
