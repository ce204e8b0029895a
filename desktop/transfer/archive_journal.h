// archive_journal.h - the files an unfinished archive has finished, kept on disk as each one is.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vxf::transfer {

// In the bag's top folder while the archive runs; it goes once the bag is finished, so a bag
// that still has it was stopped. Its first line names the songs chosen, each further line a
// finished file: digest, peak sample, bytes, the samples a salvaging run left silent
// ("g:-", or "g:FIRST-LAST,..."), path (percent-encoded as in a manifest). Lines of older runs
// lack the gaps: their files had none.
constexpr const char* kArchiveJournal = "archive-progress.txt";

struct JournalEntry {
    std::string digest;
    int32_t peak = 0;  // largest magnitude of its 24-bit samples
    uint64_t bytes = 0;
    std::vector<std::pair<uint64_t, uint64_t>> gaps;  // first and last silent sample of each gap
};

class ArchiveJournal {
public:
    // Reads the journal of the bag at `directory`; none when there is none or it is not one.
    static std::optional<ArchiveJournal> load(const std::string& directory);
    // Starts an empty journal for the songs `selection` names; false when it cannot be written.
    static bool create(const std::string& directory, const std::string& selection);

    const std::string& selection() const { return selection_; }
    const std::map<std::string, JournalEntry>& files() const { return files_; }

    // Adds a finished file; false when it cannot.
    static bool append(const std::string& directory, const std::string& path, const JournalEntry& entry);
    static bool remove(const std::string& directory);

private:
    std::string selection_;
    std::map<std::string, JournalEntry> files_;  // by path from the bag's top
};

}  // namespace vxf::transfer
