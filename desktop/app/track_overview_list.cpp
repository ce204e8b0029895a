// track_overview_list.cpp - the export list's look at each track: its peak or "— silent" and a strip of the song,
// built from the drive between the window's events and kept per song while the program runs.
#include "track_overview_list.h"

#include "deck_view.h"
#include "form.h"
#include "ids.h"
#include "text_format.h"

namespace deck {

namespace {

using vxf::transfer::SongOverview;

// Columns of a track's strip: a few hundred, enough for a list line on any screen.
constexpr uint32_t kStripColumns = 400;
// While the user is in a dialog, an export or a preview, the overview waits and looks again this much later.
constexpr int kPausedRetryMs = 200;

}  // namespace

std::string trackOverviewNote(const vxf::transfer::TrackOverview& track) {
    if (track.silent) return "\u2014 silent";
    return format("%.1f dBFS", track.peakDbfs);
}

TrackOverviewList::TrackOverviewList(DeckView& view) : view_(view) {}

TrackOverviewList::~TrackOverviewList() = default;

TrackOverviewList::SongKey TrackOverviewList::keyOf(const vxf::transfer::SongFacts& song) const {
    return {view_.drives().handle(), view_.projects().selected(), view_.songs().selected(), song.length,
            song.trackCount};
}

void TrackOverviewList::songShown(const vxf::transfer::SongFacts& song) {
    cancel();
    const SongKey key = keyOf(song);
    if (const auto kept = kept_.find(key); kept != kept_.end()) {
        shown_ = key;
        showing_ = true;
        show(kept->second);
        return;
    }
    if (song.trackCount == 0 || song.length == 0) return;
    building_ = key;
    server_ = std::make_unique<ClientTransferServer>(view_.server(), view_.drives().handle());
    builder_ = std::make_unique<vxf::transfer::TrackOverviewBuilder>(*server_, song, kStripColumns);
    view_.form().requestIdleStep(0);
}

void TrackOverviewList::cancel() {
    builder_.reset();
    server_.reset();
    showing_ = false;
}

void TrackOverviewList::forget() {
    cancel();
    kept_.clear();
}

void TrackOverviewList::step() {
    if (!builder_) return;
    if (!view_.quiet()) {
        view_.form().requestIdleStep(kPausedRetryMs);
        return;
    }
    // Other programs wait while a block is read, as for an export; one that holds the drive now is waited for.
    HeldDrive held(view_.server(), view_.drives().handle(), ServerClient::HoldPurpose::Read);
    if (!held.held()) {
        view_.discardServerError();
        view_.form().requestIdleStep(kPausedRetryMs);
        return;
    }
    if (builder_->step()) {
        view_.form().requestIdleStep(0);
        return;
    }
    finish();
}

void TrackOverviewList::finish() {
    // A failed read leaves the lines as they are: the overview is a look ahead, not an operation to report.
    if (builder_->failure() == 0) {
        kept_[building_] = builder_->overview();
        shown_ = building_;
        showing_ = true;
        show(kept_[building_]);
    } else {
        view_.discardServerError();
    }
    builder_.reset();
    server_.reset();
    view_.transfer().overviewChanged();
}

void TrackOverviewList::show(const SongOverview& overview) {
    Form& form = view_.form();
    const int lines = form.lineCount(ctl::kTransferList);
    for (const vxf::transfer::TrackOverview& track : overview.tracks) {
        if (track.track < lines)
            form.showLineOverview(ctl::kTransferList, track.track, trackOverviewNote(track), track.columns);
    }
}

const SongOverview* TrackOverviewList::shown() const {
    if (!showing_) return nullptr;
    const auto kept = kept_.find(shown_);
    return kept != kept_.end() ? &kept->second : nullptr;
}

void TrackOverviewList::selectTracksWithAudio() {
    const SongOverview* overview = shown();
    if (overview == nullptr) return;
    Form& form = view_.form();
    const int lines = form.lineCount(ctl::kTransferList);
    for (int line = 0; line < lines; ++line) form.setLineSelected(ctl::kTransferList, line, false);
    for (const vxf::transfer::TrackOverview& track : overview->tracks)
        if (!track.silent && track.track < lines) form.setLineSelected(ctl::kTransferList, track.track, true);
}

}  // namespace deck
