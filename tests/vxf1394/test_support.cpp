// test_support.cpp - small helpers of the drive-layer tests that need nothing of the library.
#include "test_support.h"

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace vxf1394::test {

size_t threadCount() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) n++;
    return n;
}

bool eventually(const std::function<bool()>& condition, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string makeTestFolder() {
    char pattern[] = "/tmp/vxf1394-test-XXXXXX";
    return ::mkdtemp(pattern) ? std::string(pattern) : std::string();
}

}  // namespace vxf1394::test
