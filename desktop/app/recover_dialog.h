// recover_dialog.h - Drive > Recover Lost Songs: the songs a format or a delete left, exported or restored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "form.h"
#include "vxf_recover.h"

namespace deck {

class DeckView;

// One line of the list for a lost song: slot, name, old project and state.
std::string lostSongLine(const VxfxLostSong& song, bool extendedNames);
// What a restore did, a line a song.
std::string restoreReport(const std::vector<VxfxRestoreOutcome>& outcomes, const std::vector<VxfxLostSong>& songs,
                          bool extendedNames);

class RecoverDialog : public DialogLogic {
public:
    explicit RecoverDialog(DeckView& view) : view_(view) {}

    int templateId() const override;
    void init(DialogControls& controls) override;
    void command(DialogControls& controls, int id) override;

    // Whether a restore changed the drive: the panes are read again.
    bool restored() const { return restored_; }

private:
    void fill(DialogControls& controls);
    std::vector<VxfxLostSong> selected(const DialogControls& controls) const;
    void exportSelected(DialogControls& controls);
    void restoreSelected(DialogControls& controls);

    DeckView& view_;
    std::vector<VxfxLostSong> songs_;
    bool restored_ = false;
};

}  // namespace deck
