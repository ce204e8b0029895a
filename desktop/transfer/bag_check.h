// bag_check.h - a bag checked as an archive checks it: every payload file listed, present and equal to its digest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vxf::transfer {

// One file that is not as the bag says: its path from the bag's top and what is wrong with it.
struct BagProblem {
    std::string path;
    std::string what;  // "missing", "differs", "not in the manifest", ...
};

struct BagCheck {
    std::vector<BagProblem> problems;  // empty: the bag is valid
    uint64_t files = 0;                // payload files listed
    uint64_t bytes = 0;                // their bytes, as found
    bool valid() const { return problems.empty(); }
};

// Reads the declaration, both manifests and bag-info's Payload-Oxum, hashes every file the
// manifests name and looks for payload files they do not name. A path leaving the bag is
// never followed.
BagCheck checkBag(const std::string& directory);

}  // namespace vxf::transfer
