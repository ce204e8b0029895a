// copy_progress_dialog.cpp - the "Copying..." dialog's state: from and to texts, range, step, percent text, cancel.
#include "copy_progress_dialog.h"

#include <cstdio>

#include "transfer_paths.h"

namespace vxf::transfer {

CopyProgressDialog::~CopyProgressDialog() {
    if (open_) Close();
}

void CopyProgressDialog::Open(uint16_t tracks) {
    view_.open(tracks);
    open_ = true;
    percent_ = 0;
    view_.setPercentText(" 0 %");
}

void CopyProgressDialog::SetFrom(const std::string& text) { view_.setFrom(compactPath(text, kProgressPathChars)); }

void CopyProgressDialog::SetTo(const std::string& text) { view_.setTo(compactPath(text, kProgressPathChars)); }

void CopyProgressDialog::SetRange(uint32_t low, uint32_t high) {
    low_ = low;
    high_ = high;
    position_ = low;
    view_.setBar(low_, high_, position_);
}

void CopyProgressDialog::SetStep(uint32_t step) { step_ = step; }

void CopyProgressDialog::Step() {
    position_ += step_;
    view_.setBar(low_, high_, position_);
    const int percent = percentDone(low_, high_, static_cast<int64_t>(position_));
    if (percent == percent_) return;
    percent_ = percent;
    char text[16];
    std::snprintf(text, sizeof text, "%d%c", percent, '%');
    view_.setPercentText(text);
}

bool CopyProgressDialog::CancelRequested() { return view_.pollCancel(); }

void CopyProgressDialog::Close() {
    open_ = false;
    view_.close();
}

}  // namespace vxf::transfer
