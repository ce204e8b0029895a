// mount.cpp - mounting the current drive's volume and the figures a mounted volume answers.
#include "volume/mount.h"


#include <cstring>

#include "volume/bitmaps.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "volume/project_list.h"
#include "core/server_state.h"
#include "volume/super_block.h"

namespace vxfserver {

bool mountVolume() {
    ServerState& st = state();
    st.flags = 0;
    st.mountGeneration += 1;
    if (!readSuperBlock() || !loadProjectList() || !loadSongBitmap() || !loadAudioBitmap()) {
        st.flags = 0;
        return false;
    }
    st.flags = kFlagMounted;
    if (std::memcmp(st.superBlock.version, kVersion110, 5) == 0) st.flags |= kFlagVersion110;
    return true;
}

bool volumeVersion(char* out) {
    if (!requireMounted()) return false;
    std::memcpy(out, state().superBlock.version, 6);
    out[5] = '\0';
    return true;
}

uint32_t freeSpaceKiB() {
    if (!hasFlag(kFlagMounted)) return 0;
    const SuperBlock& sb = state().superBlock;
    const double kib = double(sb.availableClusters) * double(sb.audioBlocksPerCluster) *
                       (double(sb.sectorsPerAudioBlock) / 2.0);
    return kib >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(kib);
}

uint32_t driveSizeKiB() { return state().sectorCount / 2; }

uint32_t driveSizeThousandBytes() { return uint32_t(uint64_t(state().sectorCount) * 512 / 1000); }

}  // namespace vxfserver
