// loaded_state.h - what is loaded of the current drive, and letting it go.
#pragma once

#include <cstdint>

namespace vxfserver {

// Forgets the current drive, its volume, the open project and the current
// song, so that the next selection reads everything afresh.
void forgetCurrentDrive();
// The volume is no longer mounted (the drive stays current).
void forgetMount();
// Fails with VXF_ERR_FS_NOT_STARTED when no volume is mounted.
bool requireMounted();
// No project open: clears the flag and the open project's handle.
void forgetOpenProject();
// No song current any more (no drive access).
void closeSong();
// The transfer cache no longer describes the track buffer.
void invalidateTransferCache();

}  // namespace vxfserver
