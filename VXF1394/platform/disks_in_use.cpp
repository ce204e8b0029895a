// disks_in_use.cpp - block devices the machine is using: mounted file systems, swap areas and the device of "/".
#include "platform/disks_in_use.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/text_file.h"

namespace vxf1394::diskenum {

namespace {

// Machines with thousands of mounts (containers) still fit.
constexpr size_t kMaxTableBytes = 16u << 20;
constexpr std::string_view kDevPrefix = "/dev/";

std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> out;
    std::istringstream in{std::string(line)};
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

template <typename Each>
void forEachLine(std::string_view text, Each each) {
    while (!text.empty()) {
        size_t end = text.find('\n');
        each(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
}

std::string baseName(std::string_view path) {
    size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string rootDeviceNumber() {
    struct stat st {};
    if (::stat("/", &st) != 0) return {};
    return std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
}

}  // namespace

bool DevicesInUse::uses(const std::string& name, const std::string& deviceNumber) const {
    return !known || names.count(name) > 0 || (!deviceNumber.empty() && deviceNumbers.count(deviceNumber) > 0);
}

std::string deviceNameOfSource(std::string_view source) {
    if (source.substr(0, kDevPrefix.size()) != kDevPrefix) return {};
    std::string path(source);
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved)) path = resolved;
    return baseName(path);
}

void addMountInfo(std::string_view text, DevicesInUse& inUse) {
    forEachLine(text, [&](std::string_view line) {
        std::vector<std::string> w = words(line);
        if (w.size() < 3) return;
        inUse.deviceNumbers.insert(w[2]);
        for (size_t i = 6; i + 2 < w.size(); ++i) {
            if (w[i] != "-") continue;
            if (std::string name = deviceNameOfSource(w[i + 2]); !name.empty()) inUse.names.insert(name);
            break;
        }
    });
}

void addSwaps(std::string_view text, DevicesInUse& inUse) {
    forEachLine(text, [&](std::string_view line) {
        std::vector<std::string> w = words(line);
        if (w.empty()) return;
        if (std::string name = deviceNameOfSource(w[0]); !name.empty()) inUse.names.insert(name);
    });
}

DevicesInUse readDevicesInUse(const HostPaths& paths) {
    DevicesInUse inUse;
    if (std::optional<std::string> text = platform::readTextFile(paths.mountInfo, kMaxTableBytes)) {
        addMountInfo(*text, inUse);
    } else {
        inUse.known = false;
    }
    if (std::optional<std::string> text = platform::readTextFile(paths.swaps, kMaxTableBytes)) addSwaps(*text, inUse);
    std::string root = paths.rootDevice ? *paths.rootDevice : rootDeviceNumber();
    if (!root.empty()) inUse.deviceNumbers.insert(root);
    return inUse;
}

}  // namespace vxf1394::diskenum
