// scan_remap_dialog.cpp - the surface scan: chunk by chunk, narrowing down to single bad sectors.
#include "scan_remap_dialog.h"

#include "deck_view.h"
#include "ext_message_box.h"
#include "ids.h"
#include "tavovxf.h"
#include "text_format.h"

#include <algorithm>

namespace deck {

namespace {

constexpr uint32_t kChunkSectors = 4096;
constexpr uint32_t kSubChunkSectors = 1024;

}  // namespace

ScanRemapDialog::ScanRemapDialog(DeckView& view) : view_(view) {}

int ScanRemapDialog::templateId() const { return tmpl::kScanRemap; }

void ScanRemapDialog::init(DialogControls& controls) {
    showTotals(controls);
    controls.setText(ctl::kScanPercent, format("%d%c", 0, '%'));
}

void ScanRemapDialog::command(DialogControls& controls, int id) {
    switch (id) {
    case ctl::kScanDrive:
        if (!running_) scan(controls, 0);
        break;
    case ctl::kScanRemapDrive:
        if (!running_) scan(controls, 1);
        break;
    case ctl::kScanStop: stop_ = true; break;
    case kIdOk:
    case kIdCancel:  // Exit, Escape and the close box all mean Exit
        if (running_) {
            exit_ = true;
        } else {
            controls.endDialog(kIdOk);
        }
        break;
    default: break;
    }
}

void ScanRemapDialog::scan(DialogControls& controls, uint8_t fix) {
    uint32_t sectors = 0;
    if (view_.server().driveNumLBAs(view_.drives().handle(), sectors) != VXF_OK) view_.showServerError();
    if (sectors == 0) return;
    badTotal_ = 0;
    clearedTotal_ = 0;
    showTotals(controls);
    stop_ = false;
    exit_ = false;
    running_ = true;
    controls.setProgressRange(ctl::kScanProgress, sectors);
    controls.setProgressPosition(ctl::kScanProgress, 0);
    controls.setText(ctl::kScanPercent, format("%d%c", 0, '%'));

    for (uint32_t chunk = 0; chunk < sectors; chunk += kChunkSectors) {
        const uint32_t count = std::min(sectors - chunk, kChunkSectors);
        scanChunk(controls, chunk, count, fix);
        controls.setProgressPosition(ctl::kScanProgress, chunk + count);
        const auto percent = static_cast<int>((static_cast<uint64_t>(chunk) + count) * 100 / sectors);
        controls.setText(ctl::kScanPercent, format("%d%c", percent, '%'));
        view_.form().pumpMessages();
        if (flagged()) {
            controls.setProgressPosition(ctl::kScanProgress, 0);
            controls.setText(ctl::kScanPercent, "Aborted");
            running_ = false;
            if (exit_) controls.endDialog(kIdOk);
            return;
        }
        if (sectors - chunk <= kChunkSectors) break;  // the next start would wrap past 2^32
    }
    controls.setText(ctl::kScanPercent, "Complete");
    running_ = false;
}

// Only single-sector calls count; the wider calls only decide where to look closer.
void ScanRemapDialog::scanChunk(DialogControls& controls, uint32_t first, uint32_t count, uint8_t fix) {
    uint16_t cleared = 0;
    if (remap(first, count, fix, cleared) == 0) return;
    uint32_t base = first;
    uint32_t remaining = count;
    while (remaining > 0) {
        const uint32_t part = std::min(remaining, kSubChunkSectors);
        if (remap(base, part, fix, cleared) != 0) scanSectors(controls, base, part, fix);
        remaining -= part;
        base += part;
        view_.form().pumpMessages();
        if (flagged()) return;
    }
}

void ScanRemapDialog::scanSectors(DialogControls& controls, uint32_t first, uint32_t count, uint8_t fix) {
    for (uint32_t t = 0; t < count; ++t) {
        uint16_t cleared = 0;
        const uint16_t bad = remap(first + t, 1, fix, cleared);
        if (bad != 0) {
            badTotal_ += bad;
            clearedTotal_ += cleared;
            showTotals(controls);
        }
        view_.form().pumpMessages();
        if (flagged()) return;
    }
}

uint16_t ScanRemapDialog::remap(uint32_t first, uint32_t count, uint8_t fix, uint16_t& cleared) {
    uint16_t bad = 0;
    cleared = 0;
    const int32_t code =
        view_.server().driveRemap(view_.drives().handle(), first, static_cast<uint16_t>(count), fix, bad, cleared);
    if (code != VXF_OK && view_.showServerError({}, mb::kIconStop | mb::kOkCancel) == idr::kCancel) stop_ = true;
    return bad;
}

void ScanRemapDialog::showTotals(DialogControls& controls) const {
    controls.setText(ctl::kScanBad, format("%u", badTotal_));
    controls.setText(ctl::kScanCleared, format("%u", clearedTotal_));
}

}  // namespace deck
