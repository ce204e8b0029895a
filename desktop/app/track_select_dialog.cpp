// track_select_dialog.cpp - "Select Track for File Import": the free track a file goes to.
#include "track_select_dialog.h"

#include "ids.h"
#include "text_format.h"
#include "transfer_paths.h"

#include <algorithm>

namespace deck {

namespace {

constexpr size_t kFromPathChars = 69;

}  // namespace

TrackSelectDialog::TrackSelectDialog(const std::string& path, uint16_t trackCount, const std::vector<bool>& trackFree,
                                     std::optional<uint16_t> lastChosen)
    : path_(path), lastChosen_(lastChosen) {
    for (uint16_t track = 0; track < trackCount && track < trackFree.size(); ++track) {
        if (trackFree[track]) offered_.push_back(track);
    }
}

void TrackSelectDialog::init(DialogControls& controls) {
    controls.setText(ctl::kTrackSelectFrom, vxf::transfer::compactPath(path_, kFromPathChars));
    controls.clearList(ctl::kTrackSelectTo);
    for (uint16_t track : offered_) controls.addLine(ctl::kTrackSelectTo, format("Track %02u", track + 1u));
    int preselected = offered_.empty() ? -1 : 0;
    const auto last = lastChosen_ ? std::find(offered_.begin(), offered_.end(), *lastChosen_) : offered_.end();
    if (last != offered_.end()) preselected = static_cast<int>(last - offered_.begin());
    controls.setSelection(ctl::kTrackSelectTo, preselected);
}

void TrackSelectDialog::command(DialogControls& controls, int id) {
    if (id != kIdOk) {
        DialogLogic::command(controls, id);
        return;
    }
    const int entry = controls.selection(ctl::kTrackSelectTo);
    if (entry < 0 || static_cast<size_t>(entry) >= offered_.size()) {
        controls.endDialog(kIdCancel);
        return;
    }
    chosen_ = offered_[static_cast<size_t>(entry)];
    controls.endDialog(kIdOk);
}

}  // namespace deck
