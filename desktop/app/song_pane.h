// song_pane.h - the Song group: the selected project's songs and the facts of the selected song.
#pragma once

#include <cstdint>

namespace deck {

class DeckView;

class SongPane {
public:
    explicit SongPane(DeckView& view);

    void create();
    void destroy();

    void rebuildSongList();
    void showSong();
    void enableControls(bool enabled);
    int32_t makeSelectedPrimary();

    uint16_t songCount() const { return count_; }
    uint16_t selected() const { return selected_; }
    void setSelected(uint16_t index) { selected_ = index; }
    // Facts of the selected song as last shown; an invalid rate or word length is kept
    // as 48000 and 24.
    uint32_t sampleRate() const { return rate_; }
    uint32_t length() const { return length_; }
    uint16_t wordLength() const { return wordLength_; }
    bool writeProtect() const { return writeProtect_ != 0; }

private:
    void clearFacts();

    DeckView& view_;
    uint16_t count_ = 0;
    uint16_t selected_ = 0;
    uint32_t rate_ = 0;
    uint32_t length_ = 0;
    uint16_t wordLength_ = 0;
    uint32_t writeProtect_ = 0;
};

}  // namespace deck
