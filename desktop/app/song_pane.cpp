// song_pane.cpp - the Song group: the selected project's songs and the facts of the selected song.
#include "song_pane.h"

#include "deck_view.h"
#include "form.h"
#include "ids.h"
#include "profile.h"
#include "tavovxf.h"
#include "text_format.h"
#include "time_texts.h"

namespace deck {

SongPane::SongPane(DeckView& view) : view_(view) {}

void SongPane::create() {
    selected_ = static_cast<uint16_t>(view_.profile().readInt("SongName", 0));
    rebuildSongList();
    showSong();
    const DrivePane& drives = view_.drives();
    if (drives.driveCount() > 0 && drives.selectedStatus() != DriveStatus::Vxf) enableControls(false);
}

void SongPane::destroy() { view_.profile().writeInt("SongName", selected_); }

void SongPane::rebuildSongList() {
    ServerClient& server = view_.server();
    Form& form = view_.form();
    const uint32_t handle = view_.drives().handle();
    if (view_.projects().projectCount() == 0) {
        form.clearList(ctl::kSongName);
        count_ = 0;
        selected_ = 0;
        return;
    }
    if (server.songGetNum(handle, count_) != VXF_OK || server.songGetLastPrimary(handle, selected_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    form.clearList(ctl::kSongName);
    for (uint16_t i = 0; i < count_; ++i) {
        if (server.songSetPrimary(handle, i) != VXF_OK) {
            view_.showServerError(format("Song %d:\n", i + 1));
            return;
        }
        std::string name;
        server.songGetName(handle, name);
        form.addLine(ctl::kSongName, format("%02d: %s", i + 1, name.c_str()));
    }
    if (selected_ >= count_) selected_ = 0;
    form.fitDropDown(ctl::kSongName);
    form.setText(ctl::kTrackCount, "");
    form.setText(ctl::kSongLength, "");
    form.setText(ctl::kSampleRate, "");
    form.setText(ctl::kWordLength, "");
    form.setChecked(ctl::kWriteProtect, false);
}

void SongPane::showSong() {
    ServerClient& server = view_.server();
    Form& form = view_.form();
    const uint32_t handle = view_.drives().handle();
    if (view_.projects().projectCount() == 0) {
        form.setText(ctl::kSongCount, "");
        clearFacts();
        return;
    }
    if (server.songGetNum(handle, count_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    form.setText(ctl::kSongCount, format("%u", count_));
    if (count_ == 0) {
        clearFacts();
        enableControls(false);
        return;
    }
    enableControls(true);
    if (selected_ >= count_) selected_ = 0;
    form.setSelection(ctl::kSongName, selected_);

    uint16_t tracks = 0;
    if (server.songSetPrimary(handle, selected_) != VXF_OK || server.trackGetNum(handle, tracks) != VXF_OK) {
        view_.showServerError();
        return;
    }
    form.setText(ctl::kTrackCount, format("%u", tracks));

    if (server.songGetSampleRate(handle, rate_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    const std::string rate = rateText(rate_);
    form.setText(ctl::kSampleRate, rate.empty() ? "invalid" : rate);
    if (rate.empty()) rate_ = 48000;

    if (server.songGetLength(handle, length_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    form.setText(ctl::kSongLength, songTimeText(length_, rate_));

    if (server.songGetWordLength(handle, wordLength_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    form.setText(ctl::kWordLength, wordLength_ == 24 ? "24 Bits" : "invalid");
    wordLength_ = 24;

    if (server.songIsWriteProtect(handle, writeProtect_) != VXF_OK) {
        view_.showServerError();
        return;
    }
    form.setChecked(ctl::kWriteProtect, writeProtect_ != 0);
    view_.drives().previewFollowsSong(tracks, rate_);
}

void SongPane::enableControls(bool enabled) {
    for (int id = ctl::kSongNameLabel; id <= ctl::kSongGroupLast; ++id) view_.form().enable(id, enabled);
    view_.form().enable(ctl::kWriteProtect, enabled);
    view_.form().enable(ctl::kSongMarkers, enabled);
}

int32_t SongPane::makeSelectedPrimary() {
    return view_.server().songSetPrimary(view_.drives().handle(), selected_);
}

void SongPane::clearFacts() {
    Form& form = view_.form();
    form.setSelection(ctl::kSongName, -1);
    form.setText(ctl::kTrackCount, "");
    form.setText(ctl::kSongLength, "");
    form.setText(ctl::kSampleRate, "");
    form.setText(ctl::kWordLength, "");
    form.setChecked(ctl::kWriteProtect, false);
}

}  // namespace deck
