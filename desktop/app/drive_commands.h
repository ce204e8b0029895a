// drive_commands.h - the Drive menu: Select, Properties, Format, Upgrade, Scan/Remap, Recover Lost Songs and Archive.
#pragma once

namespace deck {

class DeckView;

class DriveCommands {
public:
    explicit DriveCommands(DeckView& view) : view_(view) {}

    void select();
    void properties();
    void format();
    void upgrade();
    void scanRemap();
    // Recover Lost Songs: the list, exports and restores; the panes read again after a restore.
    void recoverSongs();
    // Asks for a folder and archives the drive into it (ArchiveDialog).
    void archive();

private:
    bool confirm(const char* pattern, const char* caption);
    // After a change of the drive itself: the list anew, the same drive selected again.
    void relistAndReselect();

    DeckView& view_;
};

}  // namespace deck
