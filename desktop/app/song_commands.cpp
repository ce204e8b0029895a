// song_commands.cpp - the Song menu and the Write Protect box: Select, Create, Delete, Properties.
#include "song_commands.h"

#include "deck_view.h"
#include "ids.h"
#include "name_dialogs.h"
#include "select_dialog.h"
#include "song_create_dialog.h"
#include "song_markers_dialog.h"
#include "tavovxf.h"
#include "text_format.h"

#include <algorithm>

namespace deck {

namespace {

constexpr uint32_t kDefaultRate = 48000;
constexpr uint16_t kDefaultTracks = 24;

}  // namespace

void SongCommands::fail() {
    view_.showServerError();
    view_.restoreShownPrimaries();
}

void SongCommands::relistAndReselect() {
    view_.songs().rebuildSongList();
    view_.selectSong(view_.songs().selected());
}

void SongCommands::select() {
    SelectDialog dialog(tmpl::kSongSelect, ctl::kSongSelectList, view_.form(), ctl::kSongName);
    if (view_.form().runModal(dialog) == kIdOk && dialog.chosen() >= 0) view_.selectSong(dialog.chosen());
}

void SongCommands::create() {
    ServerClient& server = view_.server();
    const bool hasSongs = view_.songs().songCount() > 0;
    const uint32_t rate = hasSongs ? view_.songs().sampleRate() : kDefaultRate;
    const uint16_t tracks = hasSongs ? std::min(view_.transfer().trackCount(), kDefaultTracks) : kDefaultTracks;
    SongCreateDialog dialog(view_.form(), server.extendedNames(), rate, tracks);
    if (view_.form().runModal(dialog) != kIdOk || view_.drivesChangedMeanwhile()) return;
    WaitCursor wait(view_.form());
    const uint32_t handle = view_.drives().handle();
    // The new song becomes the server's primary one, so the name goes to it.
    if (server.songCreate(handle, dialog.sampleRate(), dialog.tracks()) != VXF_OK ||
        server.songSetName(handle, dialog.name()) != VXF_OK) {
        fail();
        return;
    }
    view_.songs().rebuildSongList();
    view_.selectSong(view_.songs().songCount() - 1);
    view_.transfer().songListChanged();
}

void SongCommands::remove() {
    Form& form = view_.form();
    SelectDialog dialog(tmpl::kSongDelete, ctl::kSongDeleteList, form, ctl::kSongName);
    if (form.runModal(dialog) != kIdOk || dialog.chosen() < 0) return;
    const std::string label = "Song " + trimBlanks(dialog.chosenLine());
    const std::string question = deck::format("Are you sure you want to delete '%s'?", label.c_str());
    if (!view_.confirmChange(question, "Confirm Song Delete")) return;
    WaitCursor wait(form);
    ServerClient& server = view_.server();
    const uint32_t handle = view_.drives().handle();
    const auto chosen = static_cast<uint16_t>(dialog.chosen());
    if ((chosen != view_.songs().selected() && server.songSetPrimary(handle, chosen) != VXF_OK) ||
        server.songDelete(handle) != VXF_OK) {
        fail();
        return;
    }
    view_.songs().setSelected(0);
    relistAndReselect();
    view_.transfer().songListChanged();
}

void SongCommands::properties() {
    Form& form = view_.form();
    ServerClient& server = view_.server();
    const int line = form.selection(ctl::kSongName);
    SongFacts facts;
    facts.tracks = form.text(ctl::kTrackCount);
    facts.length = form.text(ctl::kSongLength);
    facts.rate = form.text(ctl::kSampleRate);
    facts.wordLength = form.text(ctl::kWordLength);
    facts.writeProtect = form.checked(ctl::kWriteProtect);
    const std::string name = line >= 0 ? nameOfListLine(form.line(ctl::kSongName, line)) : std::string();
    SongPropertiesDialog dialog(form, server.extendedNames(), name, facts);
    if (form.runModal(dialog) != kIdOk || view_.drivesChangedMeanwhile()) return;
    // Both steps run even when nothing changed; a failure of the first does not stop the second.
    if (server.songSetWriteProtect(view_.drives().handle(), dialog.writeProtect() ? 1 : 0) != VXF_OK) {
        view_.showServerError();
    } else {
        relistAndReselect();
    }
    if (server.songSetName(view_.drives().handle(), dialog.name()) != VXF_OK) {
        view_.showServerError();
    } else {
        relistAndReselect();
    }
}

void SongCommands::writeProtectClicked() {
    if (view_.songs().songCount() == 0) return;
    const bool protect = view_.form().checked(ctl::kWriteProtect);
    if (view_.server().songSetWriteProtect(view_.drives().handle(), protect ? 1 : 0) != VXF_OK) {
        view_.showServerError();
        return;
    }
    relistAndReselect();
}

void SongCommands::showMarkers() {
    if (view_.songs().songCount() == 0) return;
    vxf::transfer::SessionMetadata metadata;
    if (view_.server().songGetMetadata(view_.drives().handle(), metadata) != VXF_OK) {
        view_.showServerError();
        return;
    }
    SongMarkersDialog dialog(markerLines(metadata));
    view_.form().runModal(dialog);
}

}  // namespace deck
