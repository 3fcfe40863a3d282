// Process state: the recording mutex exists before main and is an unnamed, unowned mutex.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "ProcessState.h"

namespace {

TEST(ProcessStateTest, RecordingMutexCreatedBeforeMain) {
    EXPECT_EQ(g_hInstance, nullptr);
    EXPECT_EQ(g_hMainWnd, nullptr);
    ASSERT_NE(g_hRecordMutex, nullptr);
    ASSERT_EQ(WaitForSingleObject(g_hRecordMutex, 0), WAIT_OBJECT_0);
    // Not owned by anyone else: another thread cannot take it while this one holds it.
    DWORD other = WAIT_FAILED;
    std::thread([&] { other = WaitForSingleObject(g_hRecordMutex, 0); }).join();
    EXPECT_EQ(other, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(ReleaseMutex(g_hRecordMutex));
}

} // namespace
