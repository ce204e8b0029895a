// disk_enum_edit.cpp - adding and removing recorder drives in the enumeration file.
#include "disk_enumeration.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace vxf1394::diskenum {

namespace {

// The file as lines, with the disks taken out in index order.
struct Layout {
    std::vector<std::string> lines;      // every line but the numbered values
    std::optional<size_t> countLine;     // where "Count" stood
    std::vector<std::string> disks;      // data of values 0 .. Count-1 that exist
};

bool isIndexName(std::string_view name) {
    if (name.empty() || name.size() > 10) return false;
    for (char c : name) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string_view nameOf(std::string_view line) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line.empty() || line.front() == '#') return {};
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return {};
    std::string_view name = line.substr(0, eq);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    return name;
}

std::optional<Layout> layoutOf(const std::string& text) {
    Layout layout;
    Enumeration values = parseEnumeration(text);
    uint32_t count = 0;
    if (const Value* countValue = findValue(values.values, "Count")) {
        std::optional<uint32_t> parsed = parseCount(countValue->data);
        if (!parsed) return std::nullopt;
        count = *parsed;
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = (end == std::string::npos) ? text.size() : end + 1;
        std::string_view name = nameOf(line);
        if (isIndexName(name)) continue;
        if (!layout.countLine && sameValueName(name, "Count")) layout.countLine = layout.lines.size();
        layout.lines.push_back(line);
    }
    for (uint32_t i = 0; i < count && i < (1u << 16); ++i) {
        if (const Value* disk = findValue(values.values, std::to_string(i))) layout.disks.push_back(disk->data);
    }
    return layout;
}

std::string textOf(const Layout& layout) {
    std::string block = "Count=" + std::to_string(layout.disks.size()) + "\n";
    for (size_t i = 0; i < layout.disks.size(); ++i) block += std::to_string(i) + "=" + layout.disks[i] + "\n";
    std::string text;
    if (!layout.countLine) text = block;
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        if (layout.countLine && *layout.countLine == i) {
            text += block;
        } else if (!layout.lines[i].empty() || i + 1 < layout.lines.size()) {
            text += layout.lines[i] + "\n";
        }
    }
    return text;
}

std::optional<size_t> findDrive(const Layout& layout, const std::string& storedPath) {
    for (size_t i = 0; i < layout.disks.size(); ++i) {
        std::optional<DriveEntry> entry = parseDriveEntry(layout.disks[i]);
        if (entry && storedDrivePath(entry->path) == storedPath) return i;
    }
    return std::nullopt;
}

TextEdit damagedText() { return TextEdit{EditOutcome{EditResult::damaged, 0, "Count is not a number"}, {}}; }

bool writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Written beside the file and renamed over it, so a reader never sees half a file.
bool replaceFile(const std::string& path, const std::string& text, std::string& error) {
    std::error_code ec;
    std::filesystem::path target(path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    std::string temporary = path + ".tmp." + std::to_string(::getpid());
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = writeAll(fd, text) && ::fsync(fd) == 0;
    int writeError = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
    error = std::strerror(ok ? errno : writeError);
    ::unlink(temporary.c_str());
    return false;
}

EditOutcome editFile(const std::string& enumPath, const std::function<TextEdit(const std::string&)>& edit) {
    std::string text;
    int readError = 0;
    if (readEnumerationText(enumPath, text, readError) == ReadStatus::failed) {
        return EditOutcome{EditResult::damaged, 0, std::strerror(readError)};
    }
    std::string error;
    TextEdit changed = edit(text);
    if (changed.outcome.result != EditResult::done) return changed.outcome;
    if (!replaceFile(enumPath, changed.text, error)) return EditOutcome{EditResult::writeFailed, 0, error};
    return changed.outcome;
}

}  // namespace

std::string storedDrivePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return (ec ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

TextEdit addDriveToText(const std::string& text, const DriveEntry& entry) {
    std::optional<Layout> layout = layoutOf(text);
    if (!layout) return damagedText();
    DriveEntry stored = entry;
    stored.path = storedDrivePath(entry.path);
    if (std::optional<size_t> at = findDrive(*layout, stored.path)) {
        return TextEdit{EditOutcome{EditResult::alreadyListed, static_cast<uint32_t>(*at), {}}, text};
    }
    layout->disks.push_back(formatDriveEntry(stored));
    return TextEdit{EditOutcome{EditResult::done, static_cast<uint32_t>(layout->disks.size() - 1), {}}, textOf(*layout)};
}

TextEdit removeDriveFromText(const std::string& text, const std::string& drivePath) {
    std::optional<Layout> layout = layoutOf(text);
    if (!layout) return damagedText();
    std::optional<size_t> at = findDrive(*layout, storedDrivePath(drivePath));
    if (!at) return TextEdit{EditOutcome{EditResult::notListed, 0, {}}, text};
    layout->disks.erase(layout->disks.begin() + static_cast<long>(*at));
    return TextEdit{EditOutcome{EditResult::done, static_cast<uint32_t>(*at), {}}, textOf(*layout)};
}

EditOutcome addDrive(const std::string& enumPath, const DriveEntry& entry) {
    return editFile(enumPath, [&](const std::string& text) { return addDriveToText(text, entry); });
}

EditOutcome removeDrive(const std::string& enumPath, const std::string& drivePath) {
    return editFile(enumPath, [&](const std::string& text) { return removeDriveFromText(text, drivePath); });
}

}  // namespace vxf1394::diskenum
