// track_select_dialog.h - "Select Track for File Import": the free track a file goes to.
#pragma once

#include "form.h"
#include "transfer_ids.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace deck {

// "From:" shows the file's path; "To:" lists "Track %02d" of every free track. The track chosen
// last is preselected when it is free, otherwise the first free track. OK with no track chosen
// (or none free) ends like Cancel: a file never lands silently on a track the user did not pick.
class TrackSelectDialog : public DialogLogic {
public:
    TrackSelectDialog(const std::string& path, uint16_t trackCount, const std::vector<bool>& trackFree,
                      std::optional<uint16_t> lastChosen);

    int templateId() const override { return tmpl::kTrackSelect; }
    void init(DialogControls& controls) override;
    void command(DialogControls& controls, int id) override;

    // The 0-based track after OK.
    std::optional<uint16_t> chosen() const { return chosen_; }

private:
    std::string path_;
    std::vector<uint16_t> offered_;  // the free tracks, in list order
    std::optional<uint16_t> lastChosen_;
    std::optional<uint16_t> chosen_;
};

}  // namespace deck
