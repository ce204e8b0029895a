// loaded_state.cpp - what is loaded of the current drive, and letting it go.
#include "core/loaded_state.h"

#include "core/errors.h"
#include "core/record_io.h"
#include "core/server_state.h"

namespace vxfserver {

void forgetCurrentDrive() {
    state().currentDriveId = 0;
    forgetMount();
    forgetOpenProject();
    closeSong();
}

void forgetMount() {
    state().flags = 0;
    forgetKnownRecords();
}

bool requireMounted() { return hasFlag(kFlagMounted) || fail(VXF_ERR_FS_NOT_STARTED); }

void forgetOpenProject() {
    clearFlag(kFlagProjectOpen);
    state().openProject = 0;
}

void closeSong() {
    state().song = Song{};
    state().position = SongPosition{};
    invalidateTransferCache();
}

void invalidateTransferCache() { state().cache.valid = false; }

}  // namespace vxfserver
