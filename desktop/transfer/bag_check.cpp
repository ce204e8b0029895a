// bag_check.cpp - a bag checked as an archive checks it: every payload file listed, present and equal to its digest.
#include "bag_check.h"

#include <filesystem>
#include <set>

#include "bag_files.h"
#include "sha256_tap.h"

namespace vxf::transfer {

namespace {

namespace fs = std::filesystem;

// Relative, forward slashes, no "." or ".." part, no empty part: a path that stays in the bag.
bool staysInBag(const std::string& path) {
    if (path.empty() || path.front() == '/') return false;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t slash = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = slash + 1;
    }
    return true;
}

bool isPayloadPath(const std::string& path) { return path.rfind(std::string(kPayloadFolder) + "/", 0) == 0; }

class Checker {
public:
    explicit Checker(const std::string& directory) : top_(directory) {}

    BagCheck run() {
        checkDeclaration();
        const std::vector<ManifestEntry> payload = readManifest(kPayloadManifest, true);
        std::set<std::string> listed;
        for (const ManifestEntry& entry : payload) {
            if (!isPayloadPath(entry.path)) {
                note(entry.path, "listed in " + std::string(kPayloadManifest) + " but not under data/");
                continue;
            }
            listed.insert(entry.path);
            ++result_.files;
            checkFile(entry, true);
        }
        findUnlisted(listed);
        checkOxum();
        for (const ManifestEntry& entry : readManifest(kTagManifest, false)) checkFile(entry, false);
        return result_;
    }

private:
    void note(const std::string& path, const std::string& what) { result_.problems.push_back({path, what}); }

    void checkDeclaration() {
        const std::optional<std::string> text = readWholeFile(top_ + "/" + kBagDeclaration);
        if (!text) return note(kBagDeclaration, "missing");
        const BagInfoFields fields = parseBagInfo(*text);
        if (bagInfoValue(fields, "BagIt-Version") != "1.0" ||
            bagInfoValue(fields, "Tag-File-Character-Encoding") != "UTF-8") {
            note(kBagDeclaration, "is not a BagIt 1.0 declaration in UTF-8");
        }
    }

    std::vector<ManifestEntry> readManifest(const char* name, bool required) {
        const std::optional<std::string> text = readWholeFile(top_ + "/" + name);
        if (!text) {
            if (required) note(name, "missing");
            return {};
        }
        std::optional<std::vector<ManifestEntry>> entries = parseManifest(*text);
        if (!entries) {
            note(name, "has a line that is not a SHA-256 digest and a path");
            return {};
        }
        return *entries;
    }

    void checkFile(const ManifestEntry& entry, bool payload) {
        if (!staysInBag(entry.path)) return note(entry.path, "leaves the bag");
        const std::string path = top_ + "/" + entry.path;
        std::error_code error;
        const fs::file_status status = fs::symlink_status(path, error);
        if (!fs::exists(status)) return note(entry.path, "missing");
        if (!fs::is_regular_file(status)) return note(entry.path, "is not a regular file");
        if (payload) result_.bytes += fs::file_size(path, error);
        const std::optional<std::string> digest = sha256OfFile(path);
        if (!digest) return note(entry.path, "cannot be read");
        if (*digest != entry.digest) note(entry.path, "differs from its SHA-256 in the manifest");
    }

    void findUnlisted(const std::set<std::string>& listed) {
        const fs::path data = fs::path(top_) / kPayloadFolder;
        std::error_code error;
        if (!fs::is_directory(data, error)) return note(kPayloadFolder, "missing");
        for (auto it = fs::recursive_directory_iterator(data, error); !error && it != fs::end(it);
             it.increment(error)) {
            if (it->is_directory(error) && !it->is_symlink(error)) continue;
            const std::string relative = fs::relative(it->path(), top_, error).generic_string();
            if (!listed.count(relative)) note(relative, "not in the manifest");
        }
        if (error) note(kPayloadFolder, "cannot be listed: " + error.message());
    }

    void checkOxum() {
        const std::optional<std::string> text = readWholeFile(top_ + "/" + kBagInfo);
        if (!text) return;  // bag-info.txt is optional in a bag
        const std::optional<std::string> oxum = bagInfoValue(parseBagInfo(*text), "Payload-Oxum");
        if (oxum && *oxum != payloadOxum(result_.bytes, result_.files)) {
            note(kBagInfo, "Payload-Oxum " + *oxum + " but the payload holds " +
                               payloadOxum(result_.bytes, result_.files));
        }
    }

    std::string top_;
    BagCheck result_;
};

}  // namespace

BagCheck checkBag(const std::string& directory) { return Checker(directory).run(); }

}  // namespace vxf::transfer
