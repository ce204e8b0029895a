// system_enum.cpp - the disk enumeration as the drive layer sees it: the file's values, then the machine's whole disks.
#include "platform/system_enum.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/file_signature.h"
#include "platform/path_watch.h"
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
    // Watched (path_watch.h): the reading holds while the generation stays.
    bool watched = false;
    uint64_t files = 0;
};

// Never destroyed: requests may still arrive while the process exits.
FileCache& fileCache() {
    static FileCache* cache = new FileCache;
    return *cache;
}

// A symbolic link's target may change where no watch of its folder hears it.
bool watchable(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && !S_ISLNK(info.st_mode) && platform::watchName(path);
}

// The file as it stands: every request asks. Where the file is watched, the
// last reading holds until an event about it; elsewhere a stat decides.
std::shared_ptr<const FileView> enumerationFile() {
    std::string path = enumerationFilePath();
    FileCache& cache = fileCache();
    uint64_t filesNow = platform::watchGeneration().files;
    {
        std::lock_guard<std::mutex> guard(cache.mutex);
        if (cache.view && cache.watched && cache.path == path && cache.files == filesNow) return cache.view;
    }
    // Watched before it is read: a change made while it is read is heard afterwards.
    bool watched = !path.empty() && watchable(path);
    uint64_t files = platform::watchGeneration().files;
    struct stat before {};
    bool present = !path.empty() && ::stat(path.c_str(), &before) == 0;
    if (present) {
        std::lock_guard<std::mutex> guard(cache.mutex);
        if (cache.view && cache.path == path && platform::stillCurrent(cache.snapshot, before)) {
            cache.watched = watched;
            cache.files = files;
            return cache.view;
        }
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
        cache.watched = watched;
        cache.files = files;
    }
    return view;
}

Enumeration enumerationOf(const std::map<uint32_t, DriveEntry>& drives) {
    Enumeration e{ReadStatus::ok, 0, {}};
    e.values.push_back(Value{std::string(kCountName), std::to_string(drives.rbegin()->first + uint64_t{1})});
    for (const auto& [index, entry] : drives) e.values.push_back(Value{std::to_string(index), formatDriveEntry(entry)});
    return e;
}

// Never destroyed: requests may still arrive while the process exits.
struct InProcessDrives {
    std::mutex mutex;
    std::map<uint32_t, DriveEntry> drives;
    // The drives as the enumeration reads them, made with every change rather than at every
    // request (the server asks for the list at every drive it selects); null while none is attached.
    std::shared_ptr<const Enumeration> enumeration;
    std::atomic<bool> any{false};  // moved under the mutex with the map
};

InProcessDrives& inProcessDrives() {
    static InProcessDrives* drives = new InProcessDrives;
    return *drives;
}

void noteInProcessChangeLocked(InProcessDrives& d) {
    d.enumeration = d.drives.empty() ? nullptr : std::make_shared<const Enumeration>(enumerationOf(d.drives));
    d.any.store(!d.drives.empty(), std::memory_order_release);
}

// The in-process drives as the whole enumeration; none when no drive is attached.
std::shared_ptr<const Enumeration> inProcessEnumeration() {
    InProcessDrives& d = inProcessDrives();
    std::lock_guard<std::mutex> guard(d.mutex);
    return d.enumeration;
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

// The machine's disks as the enumeration lists them after the file's own, described.
struct HostSurvey {
    std::vector<HostDisk> disks;
};

// Kept while the drive layer hears of every change of the machine's disks
// and their use (setHostSurveyWatched); a test's own host folder changes
// with no such notice and is surveyed afresh every time.
struct SurveyCache {
    std::mutex mutex;
    std::atomic<bool> watched{false};
    std::atomic<uint64_t> generation{0};
    uint64_t keptGeneration = 0;
    std::shared_ptr<const FileView> file;  // the reading the survey was made for
    std::shared_ptr<const HostSurvey> survey;
};

// Never destroyed: requests may still arrive while the process exits.
SurveyCache& surveyCache() {
    static SurveyCache* cache = new SurveyCache;
    return *cache;
}

std::shared_ptr<const HostSurvey> surveyNow(const HostPaths& paths, const FileView& file) {
    auto survey = std::make_shared<HostSurvey>();
    std::vector<std::string> names = listedDisks(paths, file);
    if (names.empty()) return survey;
    DevicesInUse devicesInUse = readDevicesInUse(paths);
    for (const std::string& name : names) survey->disks.push_back(describeHostDisk(paths, name, devicesInUse));
    return survey;
}

std::shared_ptr<const HostSurvey> hostSurvey(const HostPaths& paths, const std::shared_ptr<const FileView>& file) {
    SurveyCache& cache = surveyCache();
    bool keep = cache.watched.load() && paths.isThisMachine();
    if (!keep) return surveyNow(paths, *file);
    uint64_t generation = cache.generation.load();
    {
        std::lock_guard<std::mutex> guard(cache.mutex);
        if (cache.survey && cache.file == file && cache.keptGeneration == generation) return cache.survey;
    }
    std::shared_ptr<const HostSurvey> survey = surveyNow(paths, *file);
    std::lock_guard<std::mutex> guard(cache.mutex);
    cache.survey = survey;
    cache.file = file;
    cache.keptGeneration = generation;
    return survey;
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
    platform::noteLocalChange();
    InProcessDrives& d = inProcessDrives();
    std::lock_guard<std::mutex> guard(d.mutex);
    d.drives[deviceIndex] = DriveEntry{std::string(), identity.vendor, identity.product};
    noteInProcessChangeLocked(d);
}

void detachInProcessDrive(uint32_t deviceIndex) {
    platform::noteLocalChange();
    InProcessDrives& d = inProcessDrives();
    std::lock_guard<std::mutex> guard(d.mutex);
    d.drives.erase(deviceIndex);
    noteInProcessChangeLocked(d);
}

void detachAllInProcessDrives() {
    platform::noteLocalChange();
    InProcessDrives& d = inProcessDrives();
    std::lock_guard<std::mutex> guard(d.mutex);
    d.drives.clear();
    noteInProcessChangeLocked(d);
}

bool inProcessDrivesAttached() { return inProcessDrives().any.load(std::memory_order_acquire); }

std::optional<DriveEntry> recorderDriveAt(uint32_t deviceIndex) {
    {
        InProcessDrives& d = inProcessDrives();
        std::lock_guard<std::mutex> guard(d.mutex);
        if (!d.drives.empty()) {
            auto found = d.drives.find(deviceIndex);
            if (found == d.drives.end()) return std::nullopt;
            return found->second;
        }
    }
    Lookup value = lookupValue(std::to_string(deviceIndex));
    if (!value.data) return std::nullopt;
    return parseDriveEntry(*value.data);
}

Lookup lookupValue(std::string_view name) {
    if (std::shared_ptr<const Enumeration> inProcess = inProcessEnumeration()) {
        const Value* value = findValue(inProcess->values, name);
        return Lookup{ReadStatus::ok, 0, value ? std::optional<std::string>(value->data) : std::nullopt};
    }
    std::shared_ptr<const FileView> file = enumerationFile();
    Lookup lookup{file->enumeration.status, file->enumeration.error, std::nullopt};
    if (lookup.status == ReadStatus::failed) return lookup;
    if (file->count && sameValueName(name, kCountName)) {
        lookup.data = countText(*file->count, hostSurvey(hostPaths(), file)->disks.size());
        return lookup;
    }
    std::optional<uint32_t> index = indexOfName(name);
    if (index && file->count && *index >= *file->count) {
        std::shared_ptr<const HostSurvey> survey = hostSurvey(hostPaths(), file);
        if (size_t k = *index - *file->count; k < survey->disks.size()) {
            lookup.data = diskValue(survey->disks[k], file->externalDisks);
            return lookup;
        }
    }
    if (const Value* value = findValue(file->enumeration.values, name)) lookup.data = value->data;
    return lookup;
}

void setHostSurveyWatched(bool watched) { surveyCache().watched.store(watched); }

void forgetHostSurvey() { surveyCache().generation.fetch_add(1); }

ReadStatus enumerationFileStatus(int& error) {
    error = 0;
    if (inProcessDrivesAttached()) return ReadStatus::ok;
    std::shared_ptr<const FileView> file = enumerationFile();
    error = file->enumeration.error;
    return file->enumeration.status;
}

Enumeration readSystemEnumeration() {
    if (std::shared_ptr<const Enumeration> inProcess = inProcessEnumeration()) return *inProcess;
    std::shared_ptr<const FileView> file = enumerationFile();
    Enumeration e = file->enumeration;
    if (e.status == ReadStatus::failed || !file->count) return e;
    std::shared_ptr<const HostSurvey> survey = hostSurvey(hostPaths(), file);
    const std::vector<HostDisk>& disks = survey->disks;
    uint32_t first = *file->count;
    // The disks take the indices after the file's own; stray file values there give way.
    std::erase_if(e.values, [&](const Value& v) {
        std::optional<uint32_t> index = indexOfName(v.name);
        return sameValueName(v.name, kCountName) || (index && *index >= first && *index - first < disks.size());
    });
    e.values.insert(e.values.begin(), Value{std::string(kCountName), countText(first, disks.size())});
    for (size_t k = 0; k < disks.size(); ++k) {
        e.values.push_back(Value{std::to_string(first + k), diskValue(disks[k], file->externalDisks)});
    }
    return e;
}

}  // namespace vxf1394::diskenum
