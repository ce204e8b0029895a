// song_commands.h - the Song menu and the Write Protect box: Select, Create, Delete, Properties.
#pragma once

namespace deck {

class DeckView;

class SongCommands {
public:
    explicit SongCommands(DeckView& view) : view_(view) {}

    void select();
    void create();
    void remove();
    void properties();
    void writeProtectClicked();
    // The "Song Markers" dialog of the shown song.
    void showMarkers();

private:
    // Shows the failure and makes the shown project and song primary again.
    void fail();
    // The song list anew with the selected song shown again.
    void relistAndReselect();

    DeckView& view_;
};

}  // namespace deck
