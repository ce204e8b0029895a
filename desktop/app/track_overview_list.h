// track_overview_list.h - the export list's look at each track: its peak or "— silent" and a strip of the song,
// built from the drive between the window's events and kept per song while the program runs.
#pragma once

#include "track_overview.h"
#include "transfer_adapters.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace deck {

class DeckView;

// The note beside a track: "— silent" for digital silence, else its peak ("-6.0 dBFS"), in UTF-8.
std::string trackOverviewNote(const vxf::transfer::TrackOverview& track);

class TrackOverviewList {
public:
    explicit TrackOverviewList(DeckView& view);
    ~TrackOverviewList();

    // The export list now shows the tracks of the current song: their overview from what is kept, or built
    // from the drive a step at a time.
    void songShown(const vxf::transfer::SongFacts& song);
    // The list shows something else now: a building overview is dropped.
    void cancel();
    // The drive may hold other audio now (an import, another program): nothing kept is trusted.
    void forget();
    // One block of the overview being built; asks the form for the next step while work remains.
    void step();

    // The overview of the song the list shows, once complete; null before.
    const vxf::transfer::SongOverview* shown() const;
    // Selects exactly the tracks that hold audio.
    void selectTracksWithAudio();

private:
    // Drive handle, project and song as the panes have them selected, with the song's length and tracks.
    using SongKey = std::tuple<uint32_t, uint16_t, uint16_t, uint32_t, uint16_t>;
    SongKey keyOf(const vxf::transfer::SongFacts& song) const;
    void show(const vxf::transfer::SongOverview& overview);
    void finish();

    DeckView& view_;
    std::map<SongKey, vxf::transfer::SongOverview> kept_;
    std::unique_ptr<ClientTransferServer> server_;
    std::unique_ptr<vxf::transfer::TrackOverviewBuilder> builder_;
    SongKey building_{};
    bool showing_ = false;
    SongKey shown_{};
};

}  // namespace deck
