// test_support.cpp - small helpers of the drive-layer tests that need nothing of the library.
#include "test_support.h"

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
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

LoopDevice::LoopDevice(const std::string& image, bool readOnly) {
    if (::geteuid() != 0 || ::access("/dev/loop-control", F_OK) != 0) return;
    std::string command =
        std::string("losetup --find --show ") + (readOnly ? "--read-only " : "") + "'" + image + "' 2>/dev/null";
    FILE* out = ::popen(command.c_str(), "r");
    if (!out) return;
    char line[256] = {};
    if (std::fgets(line, sizeof line, out)) path_ = line;
    if (::pclose(out) != 0) path_.clear();
    while (!path_.empty() && path_.back() == '\n') path_.pop_back();
}

LoopDevice::~LoopDevice() {
    if (!path_.empty()) std::system(("losetup -d " + path_ + " 2>/dev/null").c_str());
}

}  // namespace vxf1394::test
