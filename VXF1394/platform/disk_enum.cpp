// disk_enum.cpp - the disk enumeration file: where it lives, its values, and the recorder drives it names.
#include "disk_enumeration.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <strings.h>
#include <unistd.h>

#include "platform/text_file.h"

namespace vxf1394::diskenum {

namespace {

std::string_view trimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return line;
}

std::string_view trimStart(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

std::string cut(std::string text, size_t width) {
    if (text.size() > width) text.resize(width);
    return text;
}

// The path as a value from the environment and what follows it; both empty when there is none.
struct PathPieces {
    std::string_view base;
    std::string_view tail;
};

std::string_view environmentView(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string_view(value) : std::string_view();
}

PathPieces enumerationPathPieces() {
    std::string_view explicitPath = environmentView("VXF_DISK_ENUM");
    if (!explicitPath.empty()) return {explicitPath, {}};
    std::string_view config = environmentView("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/') return {config, "/vxfdeck/disks"};
    std::string_view home = environmentView("HOME");
    if (home.empty()) return {};
    return {home, "/.config/vxfdeck/disks"};
}

}  // namespace

std::string enumerationFilePath() {
    PathPieces pieces = enumerationPathPieces();
    return std::string(pieces.base) + std::string(pieces.tail);
}

bool isEnumerationFilePath(std::string_view path) {
    PathPieces pieces = enumerationPathPieces();
    return path.size() == pieces.base.size() + pieces.tail.size() && path.starts_with(pieces.base) &&
           path.ends_with(pieces.tail);
}

Enumeration parseEnumeration(std::string_view text) {
    Enumeration e;
    e.status = ReadStatus::ok;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = trimLineEnd(text.substr(0, end));
        text = (end == std::string_view::npos) ? std::string_view() : text.substr(end + 1);
        line = trimStart(line);
        size_t eq = line.find('=');
        if (line.empty() || line.front() == '#' || eq == std::string_view::npos || eq == 0) continue;
        e.values.push_back(Value{std::string(trimLineEnd(line.substr(0, eq))), std::string(line.substr(eq + 1))});
    }
    return e;
}

ReadStatus readEnumerationText(const std::string& path, std::string& text, int& error) {
    text.clear();
    error = 0;
    if (path.empty()) return ReadStatus::missing;
    std::optional<std::string> contents = platform::readTextFile(path, kMaxFileBytes);
    if (!contents) {
        error = errno;
        return (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::missing : ReadStatus::failed;
    }
    text = std::move(*contents);
    return ReadStatus::ok;
}

Enumeration readEnumeration(const std::string& path) {
    std::string text;
    Enumeration e;
    e.status = readEnumerationText(path, text, e.error);
    if (e.status == ReadStatus::ok) e.values = parseEnumeration(text).values;
    return e;
}

bool sameValueName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

const Value* findValue(const std::vector<Value>& values, std::string_view name) {
    for (const Value& v : values) {
        if (sameValueName(v.name, name)) return &v;
    }
    return nullptr;
}

std::optional<uint32_t> parseCount(std::string_view data) {
    data = trimStart(trimLineEnd(data));
    if (data.empty() || data.size() > 10) return std::nullopt;
    uint64_t n = 0;
    for (char c : data) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    if (n > UINT32_MAX) return std::nullopt;
    return static_cast<uint32_t>(n);
}

std::optional<DriveEntry> parseDriveEntry(std::string_view data) {
    if (data.substr(0, kDrivePrefix.size()) != kDrivePrefix) return std::nullopt;
    data.remove_prefix(kDrivePrefix.size());
    size_t bar = data.find('|');
    DriveEntry entry;
    entry.path = std::string(data.substr(0, bar));
    if (entry.path.empty()) return std::nullopt;
    while (bar != std::string_view::npos) {
        data.remove_prefix(bar + 1);
        bar = data.find('|');
        std::string_view attribute = data.substr(0, bar);
        if (attribute.substr(0, 7) == "vendor=") entry.vendor = cut(std::string(attribute.substr(7)), kVendorChars);
        if (attribute.substr(0, 8) == "product=") entry.product = cut(std::string(attribute.substr(8)), kProductChars);
        if (attribute == kReadOnlyAttribute) entry.readOnly = true;
    }
    return entry;
}

std::string formatDriveEntry(const DriveEntry& entry) {
    std::string text = std::string(kDrivePrefix) + entry.path;
    if (!entry.vendor.empty()) text += "|vendor=" + entry.vendor;
    if (!entry.product.empty()) text += "|product=" + entry.product;
    if (entry.readOnly) text += "|" + std::string(kReadOnlyAttribute);
    return text;
}

std::string vendorOf(const DriveEntry& entry) {
    return entry.vendor.empty() ? std::string(kDefaultVendor) : cut(entry.vendor, kVendorChars);
}

std::string productOf(const DriveEntry& entry) {
    if (!entry.product.empty()) return cut(entry.product, kProductChars);
    return cut(std::filesystem::path(entry.path).stem().string(), kProductChars);
}

bool isReadOnly(const DriveEntry& entry) {
    if (entry.readOnly) return true;
    return !entry.path.empty() && ::access(entry.path.c_str(), W_OK) != 0;
}

bool isValidIdentText(std::string_view text, size_t maxChars) {
    if (text.empty() || text.size() > maxChars) return false;
    for (char c : text) {
        if (c < 0x20 || c > 0x7E || c == '|') return false;
    }
    return true;
}

}  // namespace vxf1394::diskenum
