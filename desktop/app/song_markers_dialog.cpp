// song_markers_dialog.cpp - the "Song Markers" dialog: what the song record holds beside the audio.
#include "song_markers_dialog.h"

#include "text_format.h"
#include "time_texts.h"

namespace deck {

namespace {
std::string pointName(const vxf::transfer::SessionMetadata& song, size_t locate) {
    return vxf::transfer::printableText(song.locates[locate].name);
}
}  // namespace

std::vector<std::string> markerLines(const vxf::transfer::SessionMetadata& song) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < vxf::transfer::kLocatePoints; ++i) {
        if (!song.onTimeline(i)) continue;
        lines.push_back(format("%-8s  %s  (sample %u)", pointName(song, i).c_str(),
                               songTimeText(song.locates[i].sample, song.sampleRate).c_str(),
                               song.locates[i].sample));
    }
    if (song.hasLoop()) {
        lines.push_back("Loop: " + pointName(song, song.loopStart) + " to " + pointName(song, song.loopEnd));
    }
    for (size_t i = 0; i < vxf::transfer::kTempoEntries; ++i) {
        const vxf::transfer::TempoMark& t = song.tempo[i];
        if (!t.used()) continue;
        lines.push_back(format("Tempo: measure %u, %u/%u, %u BPM", unsigned(t.measure), unsigned(t.beatNumerator),
                               unsigned(t.beatDenominator), unsigned(t.bpm)));
    }
    lines.push_back(format("Pitch: %u", song.pitch));
    for (uint16_t track = 0; track < song.trackCount; ++track) {
        const std::array<int32_t, 2> slips = song.slipsOf(track);
        if (slips[0] != 0 || slips[1] != 0) {
            lines.push_back(format("Slip of track %u: %d", unsigned(track + 1), int(slips[0])) +
                            (song.storedTracksPerTrack == 2 ? format(", %d", int(slips[1])) : ""));
        }
    }
    return lines;
}

void SongMarkersDialog::init(DialogControls& controls) {
    controls.clearList(ctl::kSongMarkersList);
    for (const std::string& line : lines_) controls.addLine(ctl::kSongMarkersList, line);
}

}  // namespace deck
