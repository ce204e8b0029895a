// copy_progress_dialog.h - the "Copying..." dialog's state: from and to texts, range, step, percent text, cancel.
#pragma once

#include <cstdint>
#include <string>

#include "transfer_ui.h"

namespace vxf::transfer {

// The from and to texts are shown cut to this many characters.
constexpr size_t kProgressPathChars = 79;

// Decides what the copy window shows; the view draws it.
class CopyProgressDialog {
public:
    explicit CopyProgressDialog(CopyProgressView& view) : view_(view) {}
    CopyProgressDialog(const CopyProgressDialog&) = delete;
    CopyProgressDialog& operator=(const CopyProgressDialog&) = delete;
    // Closes a dialog still open, so that no failure path leaves the window up.
    ~CopyProgressDialog();

    void Open(uint16_t tracks);
    void SetFrom(const std::string& text);
    void SetTo(const std::string& text);
    void SetRange(uint32_t low, uint32_t high);
    void SetStep(uint32_t step);
    // Moves the bar one step on; the percent text changes only when its value does.
    void Step();
    bool CancelRequested();
    void Close();

private:
    CopyProgressView& view_;
    bool open_ = false;
    uint32_t low_ = 0;
    uint32_t high_ = 0;
    uint32_t step_ = 0;
    uint64_t position_ = 0;
    int percent_ = 0;
};

}  // namespace vxf::transfer
