// recent_directories.cpp - the five most recent directories of a transfer direction, most recent first.
#include "recent_directories.h"

#include <algorithm>

namespace deck {

void RecentDirectories::moveToFront(size_t index) {
    if (index >= entries_.size()) return;
    std::rotate(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(index),
                entries_.begin() + static_cast<std::ptrdiff_t>(index) + 1);
}

void RecentDirectories::pushFront(const std::string& directory) {
    const auto found = std::find(entries_.begin(), entries_.end(), directory);
    if (found != entries_.end()) {
        moveToFront(static_cast<size_t>(found - entries_.begin()));
        return;
    }
    std::move_backward(entries_.begin(), entries_.end() - 1, entries_.end());
    entries_[0] = directory;
}

}  // namespace deck
