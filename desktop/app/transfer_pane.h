// transfer_pane.h - the Transfer group as the refresh order sees it: track count, busy, enabling.
#pragma once

#include <cstdint>

namespace deck {

class DeckView;

// Holds the Transfer group's place: its tab, its track list and its enabling follow the
// selected song; export, import and preview are not offered here.
class TransferPane {
public:
    explicit TransferPane(DeckView& view);

    void create();
    void destroy();

    bool isBusy() const { return false; }
    void stopActivity() {}
    void reload();
    void refreshTab();
    void songListChanged();
    void enable(bool enabled);
    void selectAll();
    void controlChanged(int id);
    void windowMessage(uintptr_t wparam, intptr_t lparam);

    // Tracks of the current song, at most 24; 0 without a song.
    uint16_t trackCount() const { return trackCount_; }

private:
    void fillTrackList();

    DeckView& view_;
    uint16_t trackCount_ = 0;
};

}  // namespace deck
