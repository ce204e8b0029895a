// drag_staging.cpp - the private folders an export list's drag writes its files to, for a file manager to copy.
#include "drag_staging.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace deck {

namespace {

// Our own folder below the cache: a real folder of this user, or nothing to write into.
bool isOwnFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

// Makes the folder 0700 when missing; mkdir never follows a link at the last part, and lstat checks
// what is there when it was not made now.
bool ensureOwnFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return isOwnFolder(path);
}

std::string stagingRoot(const std::string& base) { return base + "/vxfdeck/drag"; }

}  // namespace

std::string dragCacheBase() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/') return cache;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache";
    return {};
}

std::optional<std::string> makeDragStagingFolder(const std::string& base) {
    if (base.empty() || base.front() != '/') return std::nullopt;
    std::error_code error;
    // The cache folder itself is the user's to place, a link to another disk included.
    if (!std::filesystem::is_directory(base, error)) {
        std::filesystem::create_directories(base, error);
        if (error) return std::nullopt;
        ::chmod(base.c_str(), 0700);
    }
    if (!ensureOwnFolder(base + "/vxfdeck") || !ensureOwnFolder(stagingRoot(base))) return std::nullopt;
    std::string pattern = stagingRoot(base) + "/XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return std::nullopt;
    return pattern;
}

void removeStaleDragStaging(const std::string& base, std::chrono::seconds age) {
    if (base.empty() || !isOwnFolder(base + "/vxfdeck") || !isOwnFolder(stagingRoot(base))) return;
    const std::time_t oldest = std::time(nullptr) - static_cast<std::time_t>(age.count());
    std::error_code error;
    for (std::filesystem::directory_iterator it(stagingRoot(base), error), end; !error && it != end;
         it.increment(error)) {
        const std::string path = it->path().string();
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_mtime >= oldest) continue;
        // remove_all takes links inside as links: nothing outside the folder goes.
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
}

std::vector<std::string> filesInFolder(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code statError;
        if (it->is_regular_file(statError) && !it->is_symlink(statError)) files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace deck
