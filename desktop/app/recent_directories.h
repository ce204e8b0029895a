// recent_directories.h - the five most recent directories of a transfer direction, most recent first.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace deck {

constexpr size_t kRecentDirectoryCount = 5;

class RecentDirectories {
public:
    const std::array<std::string, kRecentDirectoryCount>& entries() const { return entries_; }
    const std::string& at(size_t index) const { return entries_.at(index); }
    void set(size_t index, const std::string& directory) { entries_.at(index) = directory; }

    // Entry `index` was chosen: it becomes the first, the entries before it move down one place.
    void moveToFront(size_t index);
    // A directory in use goes first: an equal entry moves up from its place, a new one pushes
    // the others down and the fifth falls out. Paths compare exactly: names differing only in
    // case are different folders here.
    void pushFront(const std::string& directory);

private:
    std::array<std::string, kRecentDirectoryCount> entries_;
};

}  // namespace deck
