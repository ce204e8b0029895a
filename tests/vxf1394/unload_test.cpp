// unload_test.cpp - loading and unloading libVXF1394.so: the watcher is joined, never left running in unloaded code.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "test_support.h"

namespace vxf1394::test {
namespace {

using InitFunction = int32_t (*)(void (*)(void));
using ExitFunction = int32_t (*)(void);

void noChange() {}

class UnloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = makeTestFolder();
        ASSERT_FALSE(folder_.empty());
        enumPath_ = folder_ + "/disks";
        ::setenv("VXF_DISK_ENUM", enumPath_.c_str(), 1);
        rewriteEnumeration("Count=0\n");
        baseThreads_ = threadCount();
        library_ = ::dlopen(VXF1394_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << ::dlerror();
        init_ = reinterpret_cast<InitFunction>(::dlsym(library_, "i1394Init"));
        exit_ = reinterpret_cast<ExitFunction>(::dlsym(library_, "i1394Exit"));
        ASSERT_NE(init_, nullptr);
        ASSERT_NE(exit_, nullptr);
    }

    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    void rewriteEnumeration(const std::string& text) {
        std::ofstream(enumPath_ + ".new") << text;
        std::filesystem::rename(enumPath_ + ".new", enumPath_);
    }

    static bool libraryMapped() {
        std::ifstream maps("/proc/self/maps");
        std::string line;
        while (std::getline(maps, line)) {
            if (line.find("libVXF1394.so") != std::string::npos) return true;
        }
        return false;
    }

    // A change after the unload would wake a thread left in unmapped code.
    void changeAndSurvive() {
        rewriteEnumeration("Count=0\n# changed\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        EXPECT_EQ(threadCount(), baseThreads_);
    }

    std::string folder_;
    std::string enumPath_;
    size_t baseThreads_ = 0;
    void* library_ = nullptr;
    InitFunction init_ = nullptr;
    ExitFunction exit_ = nullptr;
};

TEST_F(UnloadTest, UnloadWithoutExitJoinsTheWatcher) {
    ASSERT_EQ(init_(noChange), 0);
    ASSERT_TRUE(eventually([this] { return threadCount() == baseThreads_ + 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let it reach its wait
    ASSERT_EQ(::dlclose(library_), 0);
    EXPECT_FALSE(libraryMapped());
    EXPECT_EQ(threadCount(), baseThreads_);
    changeAndSurvive();
}

TEST_F(UnloadTest, UnloadRightAfterExitJoinsTheStoppingWatcher) {
    ASSERT_EQ(init_(noChange), 0);
    ASSERT_EQ(exit_(), 0);
    ASSERT_EQ(::dlclose(library_), 0);
    EXPECT_FALSE(libraryMapped());
    EXPECT_EQ(threadCount(), baseThreads_);
    changeAndSurvive();
}

}  // namespace
}  // namespace vxf1394::test
