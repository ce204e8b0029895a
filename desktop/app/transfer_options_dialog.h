// transfer_options_dialog.h - the "Transfer Options" dialog: the export word length, 16 or 24 bits.
#pragma once

#include "form.h"
#include "transfer_ids.h"

#include <cstdint>

namespace deck {

class TransferOptionsDialog : public DialogLogic {
public:
    explicit TransferOptionsDialog(uint16_t exportWordLength) : wordLength_(exportWordLength) {}

    int templateId() const override { return tmpl::kTransferOptions; }
    void init(DialogControls& controls) override;
    // The choice after OK; the word length it opened with otherwise.
    uint16_t wordLength() const { return wordLength_; }

protected:
    bool accept(DialogControls& controls) override;

private:
    uint16_t wordLength_;
};

}  // namespace deck
