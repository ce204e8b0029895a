// system_enum.cpp - the disk enumeration as the drive layer sees it: the file's values, then the machine's whole disks.
#include "platform/system_enum.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/file_signature.h"
#include "platform/text_file.h"

namespace vxf1394::diskenum {

namespace {

constexpr std::string_view kCountName = "Count";

struct FileView {
    Enumeration enumeration;
    // The file's "Count" (0 for a missing file); unset when absent or not a number.
    std::optional<uint32_t> count;
    bool externalDisks = false;
};

FileView viewOf(Enumeration enumeration) {
    FileView view;
    if (enumeration.status == ReadStatus::missing) view.count = 0;
    if (const Value* count = findValue(enumeration.values, kCountName)) view.count = parseCount(count->data);
    if (const Value* external = findValue(enumeration.values, kExternalDisksName)) {
        std::optional<uint32_t> flag = parseCount(external->data);
        view.externalDisks = flag && *flag != 0;
    }
    view.enumeration = std::move(enumeration);
    return view;
}

struct FileCache {
    std::mutex mutex;
    std::string path;
    platform::FileSnapshot snapshot;
    std::shared_ptr<const FileView> view;
};

// Never destroyed: requests may still arrive while the process exits.
FileCache& fileCache() {
    static FileCache* cache = new FileCache;
    return *cache;
}

// The file as it stands: every request asks, so a stat decides whether the last reading still holds.
std::shared_ptr<const FileView> enumerationFile() {
    std::string path = enumerationFilePath();
    struct stat before {};
    bool present = !path.empty() && ::stat(path.c_str(), &before) == 0;
    FileCache& cache = fileCache();
    if (present) {
        std::lock_guard<std::mutex> guard(cache.mutex);
        if (cache.view && cache.path == path && platform::stillCurrent(cache.snapshot, before)) return cache.view;
    }
    platform::FileSnapshot snapshot{platform::signatureOf(before), platform::wallClockNs()};
    auto view = std::make_shared<const FileView>(viewOf(readEnumeration(path)));
    struct stat after {};
    bool unchangedMeanwhile =
        present && ::stat(path.c_str(), &after) == 0 && platform::signatureOf(after) == snapshot.signature;
    if (unchangedMeanwhile && view->enumeration.status == ReadStatus::ok) {
        std::lock_guard<std::mutex> guard(cache.mutex);
        cache.path = path;
        cache.snapshot = snapshot;
        cache.view = view;
    }
    return view;
}

// Never destroyed: requests may still arrive while the process exits.
struct InProcessDrives {
    std::mutex mutex;
    std::map<uint32_t, DriveEntry> drives;
};

InProcessDrives& inProcessDrives() {
    static InProcessDrives* drives = new InProcessDrives;
    return *drives;
}

std::map<uint32_t, DriveEntry> inProcessDrivesNow() {
    InProcessDrives& d = inProcessDrives();
    std::lock_guard<std::mutex> guard(d.mutex);
    return d.drives;
}

Enumeration enumerationOf(const std::map<uint32_t, DriveEntry>& drives) {
    Enumeration e{ReadStatus::ok, 0, {}};
    e.values.push_back(Value{std::string(kCountName), std::to_string(drives.rbegin()->first + uint64_t{1})});
    for (const auto& [index, entry] : drives) e.values.push_back(Value{std::to_string(index), formatDriveEntry(entry)});
    return e;
}

// The in-process drives as the whole enumeration; none when no drive is attached.
std::optional<Enumeration> inProcessEnumeration() {
    std::map<uint32_t, DriveEntry> drives = inProcessDrivesNow();
    if (drives.empty()) return std::nullopt;
    return enumerationOf(drives);
}

std::string deviceNumberOf(const struct stat& info) {
    return std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev));
}

// Block devices the file names as recorder drives already.
std::set<std::string> devicesNamedBy(const FileView& file) {
    std::set<std::string> numbers;
    for (const Value& value : file.enumeration.values) {
        std::optional<DriveEntry> entry = parseDriveEntry(value.data);
        struct stat info {};
        if (entry && ::stat(entry->path.c_str(), &info) == 0 && S_ISBLK(info.st_mode)) {
            numbers.insert(deviceNumberOf(info));
        }
    }
    return numbers;
}

// The machine's disks in the order of their values; one the file names already is not listed twice.
std::vector<std::string> listedDisks(const HostPaths& paths, const FileView& file) {
    std::vector<std::string> names = hostDiskNames(paths);
    std::set<std::string> named = devicesNamedBy(file);
    if (named.empty()) return names;
    std::erase_if(names, [&](const std::string& name) {
        return named.count(platform::readAttribute(paths.sysfsRoot + "/block/" + name + "/dev")) > 0;
    });
    return names;
}

// "0", "1", ... as the values are named; nothing else is an index.
std::optional<uint32_t> indexOfName(std::string_view name) {
    if (name.empty() || name.size() > 9 || (name.size() > 1 && name.front() == '0')) return std::nullopt;
    uint32_t index = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return std::nullopt;
        index = index * 10 + static_cast<uint32_t>(c - '0');
    }
    return index;
}

std::string countText(uint32_t fileCount, size_t disks) {
    return std::to_string(std::min<uint64_t>(uint64_t{fileCount} + disks, UINT32_MAX));
}

}  // namespace

std::string diskValue(const HostDisk& disk, bool externalDisks) {
    bool recorderTransport =
        disk.transport == Transport::sbp2 || (disk.transport == Transport::external && externalDisks);
    bool recorder = recorderTransport && !disk.inUse && disk.sectors > 0;
    return std::string(recorder ? kDrivePrefix : kOtherDiskPrefix) + disk.devicePath;
}

void attachInProcessDrive(uint32_t deviceIndex, const DriveEntry& identity) {
    InProcessDrives& d = inProcessDrives();
    std::lock_guard<std::mutex> guard(d.mutex);
    d.drives[deviceIndex] = DriveEntry{std::string(), identity.vendor, identity.product};
}

void detachInProcessDrive(uint32_t deviceIndex) {
    InProcessDrives& d = inProcessDrives();
    std::lock_guard<std::mutex> guard(d.mutex);
    d.drives.erase(deviceIndex);
}

void detachAllInProcessDrives() {
    InProcessDrives& d = inProcessDrives();
    std::lock_guard<std::mutex> guard(d.mutex);
    d.drives.clear();
}

std::optional<DriveEntry> recorderDriveAt(uint32_t deviceIndex) {
    std::map<uint32_t, DriveEntry> inProcess = inProcessDrivesNow();
    if (!inProcess.empty()) {
        auto found = inProcess.find(deviceIndex);
        if (found == inProcess.end()) return std::nullopt;
        return found->second;
    }
    Lookup value = lookupValue(std::to_string(deviceIndex));
    if (!value.data) return std::nullopt;
    return parseDriveEntry(*value.data);
}

Lookup lookupValue(std::string_view name) {
    if (std::optional<Enumeration> inProcess = inProcessEnumeration()) {
        const Value* value = findValue(inProcess->values, name);
        return Lookup{ReadStatus::ok, 0, value ? std::optional<std::string>(value->data) : std::nullopt};
    }
    std::shared_ptr<const FileView> file = enumerationFile();
    Lookup lookup{file->enumeration.status, file->enumeration.error, std::nullopt};
    if (lookup.status == ReadStatus::failed) return lookup;
    if (file->count && sameValueName(name, kCountName)) {
        lookup.data = countText(*file->count, listedDisks(hostPaths(), *file).size());
        return lookup;
    }
    std::optional<uint32_t> index = indexOfName(name);
    if (index && file->count && *index >= *file->count) {
        HostPaths paths = hostPaths();
        std::vector<std::string> disks = listedDisks(paths, *file);
        if (size_t k = *index - *file->count; k < disks.size()) {
            lookup.data = diskValue(describeHostDisk(paths, disks[k], readDevicesInUse(paths)), file->externalDisks);
            return lookup;
        }
    }
    if (const Value* value = findValue(file->enumeration.values, name)) lookup.data = value->data;
    return lookup;
}

ReadStatus enumerationFileStatus(int& error) {
    error = 0;
    if (!inProcessDrivesNow().empty()) return ReadStatus::ok;
    std::shared_ptr<const FileView> file = enumerationFile();
    error = file->enumeration.error;
    return file->enumeration.status;
}

Enumeration readSystemEnumeration() {
    if (std::optional<Enumeration> inProcess = inProcessEnumeration()) return *inProcess;
    std::shared_ptr<const FileView> file = enumerationFile();
    Enumeration e = file->enumeration;
    if (e.status == ReadStatus::failed || !file->count) return e;
    HostPaths paths = hostPaths();
    std::vector<std::string> disks = listedDisks(paths, *file);
    uint32_t first = *file->count;
    // The disks take the indices after the file's own; stray file values there give way.
    std::erase_if(e.values, [&](const Value& v) {
        std::optional<uint32_t> index = indexOfName(v.name);
        return sameValueName(v.name, kCountName) || (index && *index >= first && *index - first < disks.size());
    });
    e.values.insert(e.values.begin(), Value{std::string(kCountName), countText(first, disks.size())});
    DevicesInUse devicesInUse = readDevicesInUse(paths);
    for (size_t k = 0; k < disks.size(); ++k) {
        e.values.push_back(Value{std::to_string(first + k),
                                 diskValue(describeHostDisk(paths, disks[k], devicesInUse), file->externalDisks)});
    }
    return e;
}

}  // namespace vxf1394::diskenum
