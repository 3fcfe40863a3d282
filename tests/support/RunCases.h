// RUN_ALL_TESTS for every GoogleTest program of ours, with two more ways to fail: no case selected
// (a filter that matches nothing would pass silently) and a case skipped without naming the tool it
// needs (GTEST_SKIP() << "needs TOOL"; scripts/lib/count.sh fails it when this machine has TOOL).
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

inline int RunCases() {
    int failed = RUN_ALL_TESTS();
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    for (int s = 0; s < unit.total_test_suite_count(); ++s)
        for (int t = 0; t < unit.GetTestSuite(s)->total_test_count(); ++t) {
            const testing::TestInfo& info = *unit.GetTestSuite(s)->GetTestInfo(t);
            const testing::TestResult& result = *info.result();
            // The skip ends the case: it is the last part of its result.
            if (result.Skipped() &&
                strncmp(result.GetTestPartResult(result.total_part_count() - 1).message(), "needs ", 6)) {
                std::printf("[  FAILED  ] %s.%s skipped without naming a tool\n", info.test_suite_name(),
                            info.name());
                failed = 1;
            }
        }
    if (unit.test_to_run_count() == 0)
        std::printf("[  FAILED  ] no case matches the filter\n");
    return failed || unit.test_to_run_count() == 0;
}
