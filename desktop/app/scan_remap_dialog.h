// scan_remap_dialog.h - the surface scan: chunk by chunk, narrowing down to single bad sectors.
#pragma once

#include "form.h"

#include <cstdint>

namespace deck {

class DeckView;

class ScanRemapDialog : public DialogLogic {
public:
    explicit ScanRemapDialog(DeckView& view);

    int templateId() const override;
    void init(DialogControls& controls) override;
    void command(DialogControls& controls, int id) override;

    uint32_t badTotal() const { return badTotal_; }
    uint32_t clearedTotal() const { return clearedTotal_; }
    bool running() const { return running_; }

private:
    void scan(DialogControls& controls, uint8_t fix);
    void scanChunk(DialogControls& controls, uint32_t first, uint32_t count, uint8_t fix);
    void scanSectors(DialogControls& controls, uint32_t first, uint32_t count, uint8_t fix);
    // One remap call; a failure offers OK and Cancel, and Cancel stops the scan.
    uint16_t remap(uint32_t first, uint32_t count, uint8_t fix, uint16_t& cleared);
    void showTotals(DialogControls& controls) const;
    bool flagged() const { return stop_ || exit_; }

    DeckView& view_;
    uint32_t badTotal_ = 0;
    uint32_t clearedTotal_ = 0;
    bool running_ = false;
    bool stop_ = false;
    bool exit_ = false;
};

}  // namespace deck
