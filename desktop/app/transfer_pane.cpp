// transfer_pane.cpp - the Transfer group as the refresh order sees it: track count, busy, enabling.
#include "transfer_pane.h"

#include "deck_view.h"
#include "form.h"
#include "ids.h"
#include "tavovxf.h"
#include "text_format.h"

#include <algorithm>

namespace deck {

namespace {

constexpr uint16_t kMaxTracks = 24;
const int kTransferIds[] = {ctl::kTransferListLabel, ctl::kTransferList, ctl::kTransferAction};

}  // namespace

TransferPane::TransferPane(DeckView& view) : view_(view) {}

void TransferPane::create() {
    reload();
    refreshTab();
    if (view_.drives().driveCount() > 0 && !view_.drives().usable()) enable(false);
}

void TransferPane::destroy() {}

void TransferPane::reload() {
    trackCount_ = 0;
    if (view_.songs().songCount() == 0) return;
    uint16_t tracks = 0;
    if (view_.server().trackGetNum(view_.drives().handle(), tracks) != VXF_OK) {
        view_.showServerError();
        return;
    }
    trackCount_ = std::min(tracks, kMaxTracks);
}

void TransferPane::refreshTab() {
    view_.form().setSelection(ctl::kTransferTab, 0);
    fillTrackList();
    enable(view_.songs().songCount() > 0);
    view_.form().enable(ctl::kTransferAction, false);
}

void TransferPane::songListChanged() { view_.form().enable(ctl::kTransferAction, false); }

void TransferPane::enable(bool enabled) {
    for (int id : kTransferIds) view_.form().enable(id, enabled);
}

void TransferPane::selectAll() {}

void TransferPane::controlChanged(int) {}

void TransferPane::windowMessage(uintptr_t, intptr_t) {}

void TransferPane::fillTrackList() {
    Form& form = view_.form();
    form.clearList(ctl::kTransferList);
    for (uint16_t track = 1; track <= trackCount_; ++track) form.addLine(ctl::kTransferList, format("Track %02u", track));
}

}  // namespace deck
