// bag_drive_check.h - a bag's audio files compared, sample by sample, with the tracks of the drive they came from.
#pragma once

#include <string>

#include "archive_source.h"
#include "bag_check.h"
#include "transfer_server.h"

namespace vxf::transfer {

// For every song of the drive whose folder the bag's manifest names, every track's file is read
// and its samples compared with the track's (a 16-bit file with the track rounded as an export
// rounds it). A track without its file is missing; a file in a song folder that no track of the
// drive names is reported too. `server` works on the song `source` opened last. Problems are
// added to `check`.
void compareBagWithDrive(const std::string& directory, ArchiveSource& source, TransferServer& server,
                         BagCheck& check);

}  // namespace vxf::transfer
