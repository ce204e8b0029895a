// archive_journal.cpp - the files an unfinished archive has finished, kept on disk as each one is.
#include "archive_journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <sstream>

#include "bag_files.h"

namespace vxf::transfer {

namespace {

constexpr const char* kSelectionPrefix = "songs ";
constexpr const char* kGapsPrefix = "g:";

std::string gapsField(const JournalEntry& entry) {
    std::string field = kGapsPrefix;
    if (entry.gaps.empty()) return field + "-";
    for (size_t i = 0; i < entry.gaps.size(); ++i) {
        field += (i ? "," : "") + std::to_string(entry.gaps[i].first) + "-" + std::to_string(entry.gaps[i].second);
    }
    return field;
}

// False for a field that is not a list of gaps; "g:-" is none.
bool parseGapsField(const std::string& field, JournalEntry& entry) {
    if (field.rfind(kGapsPrefix, 0) != 0) return false;
    std::istringstream list(field.substr(std::string(kGapsPrefix).size()));
    if (list.str() == "-") return true;
    std::string gap;
    while (std::getline(list, gap, ',')) {
        std::istringstream bounds(gap);
        uint64_t first = 0;
        uint64_t last = 0;
        char dash = 0;
        if (!(bounds >> first >> dash >> last) || dash != '-' || first > last || !bounds.eof()) return false;
        entry.gaps.emplace_back(first, last);
    }
    return !entry.gaps.empty();
}

std::string journalPath(const std::string& directory) { return directory + "/" + kArchiveJournal; }

// Not flushed to the disk: a resumed archive reads every file the journal names again before it
// keeps it, so a line that outlived its file after a power failure only costs that file's copy.
bool appendLine(const std::string& path, const std::string& line, int extraFlags) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | extraFlags, 0666);
    if (descriptor < 0) return false;
    bool ok = ::write(descriptor, line.data(), line.size()) == ssize_t(line.size());
    return ::close(descriptor) == 0 && ok;
}

}  // namespace

std::optional<ArchiveJournal> ArchiveJournal::load(const std::string& directory) {
    const std::optional<std::string> text = readWholeFile(journalPath(directory));
    if (!text) return std::nullopt;
    std::istringstream in(*text);
    std::string line;
    if (!std::getline(in, line) || line.rfind(kSelectionPrefix, 0) != 0) return std::nullopt;
    ArchiveJournal journal;
    journal.selection_ = line.substr(std::string(kSelectionPrefix).size());
    // A line cut short by a power failure is the last one; it and anything unreadable are left
    // out, and their files are made again.
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        JournalEntry entry;
        std::string path;
        if (!(fields >> entry.digest >> entry.peak >> entry.bytes) || entry.digest.size() != 64) continue;
        fields.get();
        if (!std::getline(fields, path) || path.empty()) continue;
        // Paths start with the payload folder, never with the gaps' mark.
        if (path.rfind(kGapsPrefix, 0) == 0) {
            const size_t end = path.find(' ');
            if (end == std::string::npos || !parseGapsField(path.substr(0, end), entry)) continue;
            path.erase(0, end + 1);
            if (path.empty()) continue;
        }
        journal.files_[decodeManifestPath(path)] = entry;
    }
    return journal;
}

bool ArchiveJournal::create(const std::string& directory, const std::string& selection) {
    return appendLine(journalPath(directory), kSelectionPrefix + selection + "\n", O_TRUNC);
}

bool ArchiveJournal::append(const std::string& directory, const std::string& path, const JournalEntry& entry) {
    const std::string line = entry.digest + " " + std::to_string(entry.peak) + " " + std::to_string(entry.bytes) +
                             " " + gapsField(entry) + " " + encodeManifestPath(path) + "\n";
    return appendLine(journalPath(directory), line, O_APPEND);
}

bool ArchiveJournal::remove(const std::string& directory) { return ::unlink(journalPath(directory).c_str()) == 0; }

}  // namespace vxf::transfer
