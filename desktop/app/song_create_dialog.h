// song_create_dialog.h - Song Create: name, rate and a track list that follows the rate.
#pragma once

#include "name_dialogs.h"

namespace deck {

class SongCreateDialog : public NameDialog {
public:
    // Defaults for a project with songs: the shown song's rate and track count; else 48 kHz, 24.
    SongCreateDialog(Form& form, bool extendedNames, uint32_t defaultRate, uint16_t defaultTracks);

    void init(DialogControls& controls) override;
    void command(DialogControls& controls, int id) override;

    uint32_t sampleRate() const { return rate_; }
    uint16_t tracks() const { return tracks_; }

protected:
    bool accept(DialogControls& controls) override;

private:
    void fillTrackList(DialogControls& controls) const;
    void showChoices(DialogControls& controls) const;
    void takeChoices(const DialogControls& controls);
    int trackTableRate() const;

    uint32_t rate_;
    uint16_t tracks_;
    int rateIndex_;
    int trackIndex_;
};

}  // namespace deck
