// drive_change_check.h - whether the drives still match what the window lists.
#pragma once

namespace deck {

class DeckView;

// Opens every drive in turn and compares count and status with the drive pane. True when
// something changed; otherwise the selected drive, project and song are current again.
// Never shows a message.
bool driveChangeCheck(DeckView& view);

}  // namespace deck
