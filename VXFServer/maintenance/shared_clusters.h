// shared_clusters.h - clusters two songs claim (or one song twice), each claimant given its own copy by the scan.
#pragma once

#include <cstdint>
#include <string>

namespace vxfserver {

struct SharingReport {
    uint32_t shared = 0;  // clusters claimed a second time (by another song or the same one)
    uint32_t copied = 0;  // clusters written as a claimant's own copy
    // Songs left sharing for want of free clusters or run table room, one line each.
    std::string unresolved;
};

// Over every song whose slot is set in the song bitmap, in slot order: a
// cluster a song claims that an earlier song claimed (or a block the song
// already uses at an earlier position) is given a copy of its own. The audio
// is copied into a cluster no song claims, and the later claimant's runs are
// pointed at the copy (split where needed). A song whose copies find no free
// cluster, or no room in its run table, is left as it was and named in
// `unresolved`. Songs whose records do not load are passed over. Ends with no
// song current.
bool untangleSharedClusters(SharingReport& report);

}  // namespace vxfserver
