// scan.h - the drive scan: songs that no longer load removed, every other song checked, the audio bitmap rebuilt.
#pragma once

#include <cstdint>
#include <string>

namespace vxfserver {

struct ScanResult {
    uint32_t removedSongs;
    uint32_t spaceKiB;         // the space whose free or used state the scan corrected
    uint32_t droppedProjectEntries;  // project list entries naming no project slot, or one named before
    uint32_t extraListings;    // listings of a song in a second list (or twice in one) removed
    uint32_t relistedSongs;    // listed songs whose slot was marked free, marked in use again
    uint32_t repairedSongs;    // songs whose runs reaching outside the audio space were cut
    uint32_t sharedClusters;   // clusters claimed a second time
    uint32_t copiedClusters;   // of them, given to a claimant as a copy of its own
    std::string unresolved;    // songs left sharing clusters, one line each
};

// Mounts the current drive (selected without mount) and scans it: every
// listed project in list order (a corrupt one rebuilt around the songs no
// other project names), every song of each (a corrupt one removed, the others
// checked), songs still unreferenced adopted into a new project
// "Recovered" while the list has room, then the audio bitmap rebuilt from
// the clusters the songs use. Beyond that, so that no repair frees a song's
// audio: a song listed twice keeps one listing, a listed song whose slot is
// marked free is marked again and counted, runs reaching outside the audio
// space are cut away, and clusters two songs claim are copied so that each
// has its own. Ends with no song current and the handle remembering none.
// The first failure ends the scan with its error; songs that still share
// clusters at the end (no free space for copies) make it VXF_ERR_DISK_FULL,
// with everything else done.
bool scanVolume(ScanResult& result);

// The scan as an export runs it: the drive claimed and selected without mount, the result code.
int32_t scanDrive(uint32_t handle, ScanResult& result);

}  // namespace vxfserver
