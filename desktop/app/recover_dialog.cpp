// recover_dialog.cpp - Drive > Recover Lost Songs: the songs a format or a delete left, exported or restored.
#include "recover_dialog.h"

#include <cstdio>

#include "deck_view.h"
#include "ext_message_box.h"
#include "ids.h"
#include "lost_song_exports.h"
#include "tavovxf.h"
#include "text_format.h"
#include "transfer_pane.h"

namespace deck {

namespace {

const char* stateText(const VxfxLostSong& song) {
    if (song.state == VXFX_LOST_INTACT) return "intact";
    return song.state == VXFX_LOST_PARTLY_OVERWRITTEN ? "partly overwritten" : "damaged record";
}

std::string trimmed(const char* text) {
    std::string s = text;
    const size_t last = s.find_last_not_of(' ');
    return last == std::string::npos ? "" : s.substr(0, last + 1);
}

std::string songName(const VxfxLostSong& song, bool extended) { return trimmed(extended ? song.extName : song.name); }

}  // namespace

std::string lostSongLine(const VxfxLostSong& song, bool extendedNames) {
    std::string line = "Slot " + std::to_string(song.slot) + ": " + songName(song, extendedNames) + " - ";
    if (song.oldProjectSlot != 0xFFFFFFFFu) {
        line += trimmed(extendedNames ? song.oldProjectExtName : song.oldProjectName) + " #" +
                std::to_string(song.oldPosition + 1) + " - ";
    }
    line += stateText(song);
    char figures[64] = {};
    if (song.state == VXFX_LOST_PARTLY_OVERWRITTEN && song.sampleRate != 0 && song.length != 0) {
        std::snprintf(figures, sizeof figures, " (%.2f s, %.1f %%)", double(song.overwrittenSamples) / song.sampleRate,
                      100.0 * song.overwrittenSamples / song.length);
        line += figures;
    } else if (song.state == VXFX_LOST_DAMAGED) {
        line += std::string(": ") + song.detail;
    }
    return line;
}

std::string restoreReport(const std::vector<VxfxRestoreOutcome>& outcomes, const std::vector<VxfxLostSong>& songs,
                          bool extendedNames) {
    std::string text;
    for (size_t i = 0; i < outcomes.size() && i < songs.size(); ++i) {
        const VxfxRestoreOutcome& o = outcomes[i];
        const std::string name = songName(songs[i], extendedNames);
        switch (o.result) {
            case VXFX_RESTORED:
                text += name + ": restored";
                if (o.droppedClusters > 0) text += " without " + std::to_string(o.droppedClusters) + " overwritten clusters";
                break;
            case VXFX_RESTORE_REFUSED_OVERWRITTEN: text += name + ": partly overwritten, not restored"; break;
            case VXFX_RESTORE_REFUSED_DAMAGED: text += name + ": damaged record, not restored"; break;
            case VXFX_RESTORE_NOT_LOST: text += name + ": no longer lost"; break;
            default: text += name + ": not restored"; break;
        }
        text += "\n";
    }
    return text;
}

int RecoverDialog::templateId() const { return tmpl::kRecoverSongs; }

void RecoverDialog::init(DialogControls& controls) { fill(controls); }

void RecoverDialog::fill(DialogControls& controls) {
    controls.clearList(ctl::kRecoverList);
    songs_.clear();
    ServerClient& server = view_.server();
    WaitCursor wait(view_.form());
    if (server.recoverListSongs(view_.drives().handle(), songs_) != VXF_OK) {
        view_.showServerError();
        songs_.clear();
    }
    for (const VxfxLostSong& song : songs_) controls.addLine(ctl::kRecoverList, lostSongLine(song, server.extendedNames()));
    controls.setText(ctl::kRecoverStatus, songs_.empty() ? "No lost songs on this drive."
                                                          : std::to_string(songs_.size()) + " lost songs.");
}

std::vector<VxfxLostSong> RecoverDialog::selected(const DialogControls& controls) const {
    std::vector<VxfxLostSong> chosen;
    for (int line : controls.selectedLines(ctl::kRecoverList)) {
        if (line >= 0 && size_t(line) < songs_.size()) chosen.push_back(songs_[size_t(line)]);
    }
    return chosen;
}

void RecoverDialog::command(DialogControls& controls, int id) {
    if (id == ctl::kRecoverExport) exportSelected(controls);
    if (id == ctl::kRecoverRestore) restoreSelected(controls);
    if (id == kIdOk || id == kIdCancel) controls.endDialog(id);
}

void RecoverDialog::exportSelected(DialogControls& controls) {
    ServerClient& server = view_.server();
    const uint32_t handle = view_.drives().handle();
    for (const VxfxLostSong& song : selected(controls)) {
        if (song.state == VXFX_LOST_DAMAGED) continue;
        if (server.recoverOpenSong(handle, song.slot) != VXF_OK) {
            view_.showServerError();
            return;
        }
        vxf::transfer::LostSongServer reader(handle, songName(song, server.extendedNames()));
        vxf::transfer::SongFacts facts;
        facts.sampleRate = song.sampleRate;
        facts.length = song.length;
        facts.trackCount = song.tracks > 24 ? 24 : song.tracks;
        facts.wordLength = song.wordLength;
        view_.transfer().exportLostSong(reader, facts, song.slot);
    }
}

void RecoverDialog::restoreSelected(DialogControls& controls) {
    const std::vector<VxfxLostSong> chosen = selected(controls);
    if (chosen.empty()) return;
    std::vector<uint32_t> slots;
    for (const VxfxLostSong& song : chosen) slots.push_back(song.slot);
    ServerClient& server = view_.server();
    std::vector<VxfxRestoreOutcome> outcomes;
    const bool partial = controls.checked(ctl::kRecoverPartial);
    const int32_t code = server.recoverRestore(view_.drives().handle(), slots, 0xFFFF, partial, outcomes);
    restored_ = true;
    if (code != VXF_OK) {
        view_.showServerError();
    } else {
        view_.form().messageBox(restoreReport(outcomes, chosen, server.extendedNames()), "Recover Lost Songs", mb::kIconInformation | mb::kOk);
    }
    fill(controls);
}

}  // namespace deck
