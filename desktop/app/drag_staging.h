// drag_staging.h - the private folders an export list's drag writes its files to, for a file manager to copy.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace deck {

// A file manager may copy a drop's files after the drag has ended, so a folder stays this long.
constexpr std::chrono::hours kDragStagingAge{24};

// $XDG_CACHE_HOME when it names an absolute folder, else ~/.cache; "" when neither is known.
std::string dragCacheBase();
// A new folder of its own, mode 0700, in <base>/vxfdeck/drag (made 0700 when missing); none when a part
// of it is a symbolic link, another user's, or cannot be made.
std::optional<std::string> makeDragStagingFolder(const std::string& base);
// Removes the folders in <base>/vxfdeck/drag last changed more than `age` ago; anything else there stays.
void removeStaleDragStaging(const std::string& base, std::chrono::seconds age = kDragStagingAge);
// The regular files in `folder` (no links, no folders), sorted by name, with their full paths.
std::vector<std::string> filesInFolder(const std::string& folder);

}  // namespace deck
