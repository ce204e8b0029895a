// transfer_options_dialog.cpp - the "Transfer Options" dialog: the export word length, 16 or 24 bits.
#include "transfer_options_dialog.h"

namespace deck {

void TransferOptionsDialog::init(DialogControls& controls) {
    controls.setChecked(ctl::kOptions16Bit, wordLength_ == 16);
    controls.setChecked(ctl::kOptions24Bit, wordLength_ != 16);
}

bool TransferOptionsDialog::accept(DialogControls& controls) {
    wordLength_ = controls.checked(ctl::kOptions16Bit) ? 16 : 24;
    return true;
}

}  // namespace deck
