// scan.h - the drive scan: songs that no longer load removed, every other song checked, the audio bitmap rebuilt.
#pragma once

#include <cstdint>

namespace vxfserver {

struct ScanResult {
    uint16_t removedSongs;
    uint32_t spaceKiB;  // the space whose free or used state the scan corrected
};

// Mounts the current drive (selected without mount) and scans it: every
// listed project in list order (a corrupt one rebuilt around the songs no
// other project names), every song of each (a corrupt one removed, the others
// checked), songs still unreferenced adopted into a new project
// "Recovered" while the list has room, then the audio bitmap rebuilt from
// the clusters the songs use. Ends with no song current and the handle
// remembering none. The first failure ends the scan with its error.
bool scanVolume(ScanResult& result);

}  // namespace vxfserver
