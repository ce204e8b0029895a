// watcher_test.cpp - the watcher driven by rewriting the enumeration file: when it calls back, and how it stops.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "drive_fixture.h"
#include "lifecycle.h"
#include "platform/test_api.h"

namespace vxf1394::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class WatcherTest : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        baseThreads_ = threadCount();
        writeEnumeration({"Count=1", "0=SBP2\\/tmp/a.img"});
    }

    // Starts the library and waits until the watcher listens.
    void startListening() {
        ASSERT_EQ(init(), I1394_OK);
        waitForNotificationRequests(1);
    }

    // The watcher asks anew after handling each notification.
    void waitForNotificationRequests(uint64_t n) {
        ASSERT_TRUE(eventually([n] { return testing::changeNotificationRequests() >= n; }))
            << "watcher made " << testing::changeNotificationRequests() << " requests, expected " << n;
    }

    static void settle() { std::this_thread::sleep_for(milliseconds(400)); }

    size_t baseThreads_ = 0;
};

TEST_F(WatcherTest, ChangedCountMakesNoCallbackAndTheNextUnchangedOneDoes250msLater) {
    startListening();
    writeEnumeration({"Count=2", "0=SBP2\\/tmp/a.img", "1=SBP2\\/tmp/b.img"});
    waitForNotificationRequests(2);
    settle();
    EXPECT_EQ(callbackCalls(), 0u);

    auto written = Clock::now();
    writeEnumeration({"Count=2", "0=SBP2\\/tmp/a.img", "1=SBP2\\/tmp/c.img"});
    ASSERT_TRUE(eventually([] { return callbackCalls() == 1; }));
    EXPECT_GE(Clock::now() - written, milliseconds(250));
    settle();
    EXPECT_EQ(callbackCalls(), 1u);
}

TEST_F(WatcherTest, EachRewriteWithTheSameCountCallsBackOnce) {
    startListening();
    for (uint64_t round = 1; round <= 3; ++round) {
        writeEnumeration({"Count=1", "0=SBP2\\/tmp/round" + std::to_string(round)});
        ASSERT_TRUE(eventually([round] { return callbackCalls() == round; }));
        waitForNotificationRequests(round + 1);
    }
    settle();
    EXPECT_EQ(callbackCalls(), 3u);
}

TEST_F(WatcherTest, ChangesToOtherFilesInTheFolderAreIgnored) {
    startListening();
    writeFile(folder_ + "/unrelated", "Count=9\n");
    settle();
    EXPECT_EQ(callbackCalls(), 0u);
    EXPECT_EQ(testing::changeNotificationRequests(), 1u);
}

TEST_F(WatcherTest, ExitStopsTheThreadWithoutWaitingAndNoCallbackFollows) {
    startListening();
    EXPECT_EQ(threadCount(), baseThreads_ + 1);
    auto start = Clock::now();
    EXPECT_EQ(i1394Exit(), I1394_OK);
    EXPECT_LT(Clock::now() - start, milliseconds(100));
    EXPECT_TRUE(eventually([this] { return threadCount() == baseThreads_; }));
    writeEnumeration({"Count=1", "0=SBP2\\/tmp/other.img"});
    settle();
    EXPECT_EQ(callbackCalls(), 0u);
}

TEST_F(WatcherTest, ExitRightAfterInitIsNeverLost) {
    // The stop may come before the thread has made its event: it must still end.
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(init(), I1394_OK);
        i1394Exit();
    }
    EXPECT_TRUE(eventually([this] { return threadCount() == baseThreads_; }));
}

TEST_F(WatcherTest, ExitDuringTheCallbackPauseSuppressesTheCallback) {
    startListening();
    writeEnumeration({"Count=1", "0=SBP2\\/tmp/b.img"});
    std::this_thread::sleep_for(milliseconds(100));  // the watcher is inside its 250 ms pause
    i1394Exit();
    EXPECT_TRUE(eventually([this] { return threadCount() == baseThreads_; }, 1000));
    settle();
    EXPECT_EQ(callbackCalls(), 0u);
}

TEST_F(WatcherTest, InitAfterExitStartsAWatcherThatWorks) {
    startListening();
    i1394Exit();
    ASSERT_EQ(init(), I1394_OK);
    waitForNotificationRequests(2);
    writeEnumeration({"Count=1", "0=SBP2\\/tmp/again.img"});
    EXPECT_TRUE(eventually([] { return callbackCalls() == 1; }));
    settle();
    EXPECT_EQ(callbackCalls(), 1u);
    EXPECT_EQ(threadCount(), baseThreads_ + 1);
}

TEST_F(WatcherTest, UnloadWakesAndJoinsTheWatcher) {
    startListening();
    auto start = Clock::now();
    processDetach();
    EXPECT_LT(Clock::now() - start, milliseconds(500));
    EXPECT_EQ(threadCount(), baseThreads_);
}

TEST_F(WatcherTest, UnloadDuringTheCallbackPauseEndsPromptly) {
    startListening();
    writeEnumeration({"Count=1", "0=SBP2\\/tmp/b.img"});
    std::this_thread::sleep_for(milliseconds(50));
    auto start = Clock::now();
    processDetach();
    EXPECT_LT(Clock::now() - start, milliseconds(500));
    EXPECT_EQ(threadCount(), baseThreads_);
    EXPECT_EQ(callbackCalls(), 0u);
}

TEST_F(WatcherTest, MissingFolderIsWatchedOnceItAppears) {
    std::string nested = folder_ + "/later/disks";
    ::setenv("VXF_DISK_ENUM", nested.c_str(), 1);
    ASSERT_EQ(init(), I1394_OK);
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_EQ(testing::changeNotificationRequests(), 0u);
    std::filesystem::create_directory(folder_ + "/later");
    waitForNotificationRequests(1);
    enumPath_ = nested;
    writeEnumeration({"Count=0"});
    EXPECT_TRUE(eventually([] { return callbackCalls() == 1; }));
}

TEST_F(WatcherTest, DeletedFileIsAChange) {
    startListening();
    std::filesystem::remove(enumPath_);
    // Count read as 0 now (a missing file is an empty key): changed, no callback.
    waitForNotificationRequests(2);
    writeEnumeration({"Count=0"});
    EXPECT_TRUE(eventually([] { return callbackCalls() == 1; }));
}

}  // namespace
}  // namespace vxf1394::test
