// test_support.h - small helpers of the drive-layer tests that need nothing of the library.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace vxf1394::test {

// Threads of this process, to see watchers come and go.
size_t threadCount();

// Polls until the condition holds or the time is up; the condition's last value.
bool eventually(const std::function<bool()>& condition, int timeoutMs = 3000);

// A fresh folder under /tmp for one test.
std::string makeTestFolder();

// A loop device over an image, detached again when the test ends.
class LoopDevice {
public:
    // Empty path when the machine gives none (not root, no loop support).
    LoopDevice(const std::string& image, bool readOnly);
    ~LoopDevice();
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace vxf1394::test
