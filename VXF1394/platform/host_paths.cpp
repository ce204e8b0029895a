// host_paths.cpp - where the machine shows its block devices and their use; tests point these at a folder of their own.
#include "platform/host_paths.h"

#include <mutex>

namespace vxf1394::diskenum {

namespace {

struct Setting {
    std::mutex mutex;
    HostPaths paths;
};

// Never destroyed: requests may still arrive while the process exits.
Setting& setting() {
    static Setting* s = new Setting;
    return *s;
}

}  // namespace

HostPaths hostPaths() {
    Setting& s = setting();
    std::lock_guard<std::mutex> guard(s.mutex);
    return s.paths;
}

void setHostPaths(const HostPaths& paths) {
    Setting& s = setting();
    std::lock_guard<std::mutex> guard(s.mutex);
    s.paths = paths;
}

}  // namespace vxf1394::diskenum
