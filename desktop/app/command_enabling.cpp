// command_enabling.cpp - when each drive, project and song command is offered.
#include "command_enabling.h"

#include "deck_view.h"
#include "ids.h"

namespace deck {

namespace {

constexpr uint16_t kMaxProjects = 99;
constexpr uint16_t kMaxSongsExtended = 99;
constexpr uint16_t kMaxSongsShort = 64;

}  // namespace

bool commandEnabled(const DeckView& view, int commandId) {
    if (!view.started()) return commandId == cmd::kAppExit || commandId == cmd::kAppAbout;
    const bool anyDrive = view.drives().driveCount() > 0;
    const bool usable = view.drives().usable();
    const bool extended = view.server().extendedNames();
    const uint16_t projects = view.projects().projectCount();
    const uint16_t songs = view.songs().songCount();
    // A read-only drive is never changed: what would change it is off, what reads it stays on.
    const bool writable = !view.drives().selectedReadOnly();
    switch (commandId) {
    case cmd::kDriveSelect:
    case cmd::kDriveScanRemap: return anyDrive;
    case cmd::kDriveRecoverSongs: return anyDrive;
    case cmd::kDriveArchive: return anyDrive;
    case cmd::kDriveFormat: return anyDrive && writable;
    case cmd::kDriveUpgrade: return usable && !extended && writable;
    case cmd::kDriveProperties: return usable;
    case cmd::kProjectSelect:
    case cmd::kProjectProperties: return projects > 0;
    case cmd::kProjectCreate: return usable && projects < kMaxProjects && writable;
    case cmd::kProjectDelete: return projects > 1 && writable;
    case cmd::kSongSelect:
    case cmd::kSongProperties: return songs > 0;
    case cmd::kSongDelete: return songs > 0 && writable;
    case cmd::kSongCreate: return usable && songs < (extended ? kMaxSongsExtended : kMaxSongsShort) && writable;
    default: return true;
    }
}

}  // namespace deck
