// A double-click's second half on a button that just appeared under the pointer runs nothing.
#include "ClickRules.h"

#include <gtest/gtest.h>

TEST(ClickRules, OnlyAQuickClickOnAButtonThatAppearedUnderThePointerIsLeftover) {
    const struct {
        uint32_t click, shown;
        bool underPointer;
        bool leftover;
    } cases[] = {
        {1000, 1000, true, true},              // at once
        {1499, 1000, true, true},              // just inside the double-click time
        {1500, 1000, true, false},             // the double-click time has passed
        {1100, 1000, false, false},            // appeared elsewhere: a deliberate click
        {0x00000010, 0xFFFFFF00, true, true},  // across the wrap of the tick count
        {0x00000300, 0xFFFFFF00, true, false}, // across the wrap, long after
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.leftover, IsLeftoverClick(c.click, c.shown, c.underPointer, 500))
            << c.click << " " << c.shown << " " << c.underPointer;
}
