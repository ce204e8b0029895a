// song_restore.h - lost songs made reachable again: slot, clusters and a project that lists them.
#pragma once

#include <cstdint>
#include <vector>

namespace vxfserver {

enum class RestoreResult { Restored, RefusedOverwritten, RefusedDamaged, NotLost, Failed };

struct RestoreOutcome {
    uint32_t slot = 0;
    RestoreResult result = RestoreResult::Failed;
    int32_t error = 0;
    uint32_t projectSlot = 0;
    bool recreatedProject = false;
    uint32_t droppedClusters = 0;
    uint32_t length = 0;  // caller samples per track
};

constexpr uint16_t kNoProjectIndex = 0xFFFF;

// Restores the lost songs of `slots` in that order (see vxfxRecoverRestore);
// `partial` lets partly overwritten songs in without their overwritten
// clusters. One outcome per slot tried; fails with the first failed write.
bool restoreLostSongs(const std::vector<uint32_t>& slots, uint16_t projectIndex, bool partial,
                      std::vector<RestoreOutcome>& outcomes);

}  // namespace vxfserver
