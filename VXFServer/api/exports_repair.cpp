// exports_repair.cpp - the extension exports of the repair that never destroys: the scan with its report, a song's listings.
#include <algorithm>
#include <cstring>

#include "api/export_frame.h"
#include "maintenance/scan.h"
#include "song/project_songs.h"
#include "vxfx.h"

using namespace vxfserver;

extern "C" {

int32_t vxfxDriveScan(uint32_t handle, VxfxScanReport* report) {
    if (!requirePointer(report)) return finishExport(false);
    ScanResult result{};
    const int32_t code = scanDrive(handle, result);
    *report = VxfxScanReport{};
    report->removedSongs = result.removedSongs;
    report->spaceKiB = result.spaceKiB;
    report->droppedProjectEntries = result.droppedProjectEntries;
    report->extraListings = result.extraListings;
    report->relistedSongs = result.relistedSongs;
    report->repairedSongs = result.repairedSongs;
    report->sharedClusters = result.sharedClusters;
    report->copiedClusters = result.copiedClusters;
    const size_t length = std::min(result.unresolved.size(), sizeof report->unresolved - 1);
    std::memcpy(report->unresolved, result.unresolved.data(), length);
    return code;
}

int32_t vxfxSongGetListingCount(uint32_t handle, uint16_t* count) {
    return runNumberGetter(handle, count, [](uint16_t& out) {
        uint32_t listings = 0;
        if (!listingsOfCurrentSong(listings)) return false;
        out = uint16_t(std::min<uint32_t>(listings, 0xFFFF));
        return true;
    });
}

}  // extern "C"
