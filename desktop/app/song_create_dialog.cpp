// song_create_dialog.cpp - Song Create: name, rate and a track list that follows the rate.
#include "song_create_dialog.h"

#include "drive_pane.h"
#include "ids.h"

#include <string>

namespace deck {

namespace {

constexpr const char* kRateChoices[] = {"44.1", "48", "88.2", "96"};

}  // namespace

SongCreateDialog::SongCreateDialog(Form& form, bool extendedNames, uint32_t defaultRate, uint16_t defaultTracks)
    : NameDialog(form, extendedNames, tmpl::kSongCreate, ctl::kSongDialogName, "Song Name"),
      rate_(defaultRate),
      tracks_(defaultTracks),
      rateIndex_(rateChoiceOf(defaultRate)),
      trackIndex_(trackChoiceOf(defaultRate, defaultTracks)) {}

// The track list follows the chosen rate; without a rate choice, the default rate's list.
int SongCreateDialog::trackTableRate() const { return rateIndex_ >= 0 ? rateIndex_ : (rate_ > 48000 ? 2 : 0); }

void SongCreateDialog::init(DialogControls& controls) {
    NameDialog::init(controls);
    controls.clearList(ctl::kSongCreateRate);
    for (const char* rate : kRateChoices) controls.addLine(ctl::kSongCreateRate, rate);
    showChoices(controls);
}

void SongCreateDialog::command(DialogControls& controls, int id) {
    if (id != ctl::kSongCreateRate) {
        NameDialog::command(controls, id);
        return;
    }
    takeChoices(controls);
    const int highest = highestTrackChoice(static_cast<uint16_t>(trackTableRate()));
    if (trackIndex_ > highest) trackIndex_ = highest;
    showChoices(controls);
}

bool SongCreateDialog::accept(DialogControls& controls) {
    if (!NameDialog::accept(controls)) return false;
    takeChoices(controls);
    if (rateIndex_ >= 0) rate_ = rateOfChoice(static_cast<uint16_t>(rateIndex_));
    if (trackIndex_ >= 0) tracks_ = tracksOfChoice(static_cast<uint16_t>(trackTableRate()), static_cast<uint16_t>(trackIndex_));
    return true;
}

void SongCreateDialog::fillTrackList(DialogControls& controls) const {
    const auto table = static_cast<uint16_t>(trackTableRate());
    controls.clearList(ctl::kSongCreateTracks);
    for (int i = 0; i <= highestTrackChoice(table); ++i)
        controls.addLine(ctl::kSongCreateTracks, std::to_string(tracksOfChoice(table, static_cast<uint16_t>(i))));
}

void SongCreateDialog::showChoices(DialogControls& controls) const {
    controls.setSelection(ctl::kSongCreateRate, rateIndex_);
    fillTrackList(controls);
    controls.setSelection(ctl::kSongCreateTracks, trackIndex_);
}

void SongCreateDialog::takeChoices(const DialogControls& controls) {
    rateIndex_ = controls.selection(ctl::kSongCreateRate);
    trackIndex_ = controls.selection(ctl::kSongCreateTracks);
}

}  // namespace deck
