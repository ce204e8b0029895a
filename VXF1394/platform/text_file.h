// text_file.h - reading a small text file whole: configuration, sysfs attributes, process tables.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vxf1394::platform {

// The whole text of a regular file of at most maxBytes, or nullopt with
// errno set. Opened without blocking, so a FIFO in its place cannot hang
// the caller; /proc and /sys files (which report no size) are read to the end.
std::optional<std::string> readTextFile(const std::string& path, size_t maxBytes);

// The first line of a sysfs attribute without its line end and trailing blanks; empty when unreadable.
std::string readAttribute(const std::string& path);

}  // namespace vxf1394::platform
