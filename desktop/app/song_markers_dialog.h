// song_markers_dialog.h - the "Song Markers" dialog: the song's locate points, loop, tempo map and slip values,
// read only, so a user sees what an export will carry.
#pragma once

#include <string>
#include <vector>

#include "form.h"
#include "ids.h"
#include "session_metadata.h"

namespace deck {

// The lines the dialog lists: the points on the song's timeline with their positions, the loop, the tempo map's
// entries in use, pitch and the slip values of the song's tracks.
std::vector<std::string> markerLines(const vxf::transfer::SessionMetadata& song);

class SongMarkersDialog : public DialogLogic {
public:
    explicit SongMarkersDialog(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    int templateId() const override { return tmpl::kSongMarkers; }
    void init(DialogControls& controls) override;

private:
    std::vector<std::string> lines_;
};

}  // namespace deck
