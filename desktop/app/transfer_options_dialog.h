// transfer_options_dialog.h - the "Transfer Options" dialog: the export word length, 16 or 24 bits, and whether
// exports are Broadcast Wave files and one poly file per song.
#pragma once

#include "form.h"
#include "transfer_ids.h"

#include <cstdint>

namespace deck {

struct ExportOptions {
    uint16_t wordLength = 24;
    bool broadcastWave = false;
    bool polyFile = false;
};

class TransferOptionsDialog : public DialogLogic {
public:
    explicit TransferOptionsDialog(ExportOptions options) : options_(options) {}

    int templateId() const override { return tmpl::kTransferOptions; }
    void init(DialogControls& controls) override;
    // The choices after OK; those it opened with otherwise.
    const ExportOptions& options() const { return options_; }
    uint16_t wordLength() const { return options_.wordLength; }

protected:
    bool accept(DialogControls& controls) override;

private:
    ExportOptions options_;
};

}  // namespace deck
