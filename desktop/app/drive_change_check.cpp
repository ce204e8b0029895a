// drive_change_check.cpp - whether the drives still match what the window lists.
#include "drive_change_check.h"

#include "deck_view.h"
#include "tavovxf.h"

#include <algorithm>

namespace deck {

namespace {

// The check shows nothing, so a failure's sentence is fetched away: left as the server's
// last error it would come up as the next drive count's answer.
bool changedAfterFailure(DeckView& view) {
    view.discardServerError();
    return true;
}

bool statusStillHolds(DriveStatus status, uint32_t formatted) {
    return (status == DriveStatus::Vxf && formatted != 0) || (status == DriveStatus::Unknown && formatted == 0);
}

// Opens drive `index` and compares it with its listed status; true when it changed.
bool driveChanged(DeckView& view, uint16_t index) {
    ServerClient& server = view.server();
    uint32_t handle = 0;
    if (server.driveOpen(index, handle) != VXF_OK) return changedAfterFailure(view);
    uint32_t formatted = 0;
    const int32_t code = server.driveIsFormatted(handle, formatted);
    if (code != VXF_OK) view.discardServerError();
    if (code == VXF_ERR_NO_COMMUNICATION || !statusStillHolds(view.drives().status(index), formatted)) {
        if (server.driveClose(handle) != VXF_OK) view.discardServerError();
        return true;
    }
    if (server.driveClose(handle) != VXF_OK) return changedAfterFailure(view);
    return false;
}

void makeSelectionCurrent(DeckView& view) {
    DrivePane& drives = view.drives();
    if (drives.driveCount() > 0 && drives.selectedStatus() != DriveStatus::NoCommunication &&
        view.server().driveOpen(drives.selected(), drives.handleRef()) != VXF_OK) {
        view.discardServerError();
    }
    view.restoreShownPrimaries();
}

}  // namespace

bool driveChangeCheck(DeckView& view) {
    ServerClient& server = view.server();
    DrivePane& drives = view.drives();
    uint16_t count = 0;
    if (server.driveGetNum(count) != VXF_OK) return changedAfterFailure(view);
    count = std::min(count, kMaxListedDrives);
    if (count != drives.driveCount()) return true;
    if (drives.handle() != 0 && server.driveClose(drives.handleRef()) != VXF_OK) return changedAfterFailure(view);
    for (uint16_t i = 0; i < count; ++i)
        if (driveChanged(view, i)) return true;
    makeSelectionCurrent(view);
    return false;
}

}  // namespace deck
