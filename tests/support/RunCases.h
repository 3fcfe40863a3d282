// RUN_ALL_TESTS for every GoogleTest program of ours, with two more ways to fail: no case selected
// (a filter that matches nothing passes silently otherwise) and a case skipped without a reason.
// A skip with one is named on a line of its own, which CTest takes as the sign of a skip.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

inline int RunCases() {
    int failed = RUN_ALL_TESTS();
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    for (int s = 0; s < unit.total_test_suite_count(); ++s)
        for (int t = 0; t < unit.GetTestSuite(s)->total_test_count(); ++t) {
            const testing::TestInfo& info = *unit.GetTestSuite(s)->GetTestInfo(t);
            std::string reason;
            for (int p = 0; p < info.result()->total_part_count(); ++p)
                if (info.result()->GetTestPartResult(p).skipped())
                    reason += info.result()->GetTestPartResult(p).message();
            if (!info.result()->Skipped())
                continue;
            failed |= reason.empty();
            std::printf(reason.empty() ? "[  FAILED  ] %s.%s skipped without a reason\n"
                                       : "Skipped with a reason: %s.%s: %s\n",
                        info.test_suite_name(), info.name(), reason.c_str());
        }
    if (unit.test_to_run_count() == 0) {
        std::printf("[  FAILED  ] no case matches the filter\n");
        failed = 1;
    }
    return failed;
}
