// transfer_options_dialog.cpp - the "Transfer Options" dialog: word length, Broadcast Wave and poly file.
#include "transfer_options_dialog.h"

namespace deck {

void TransferOptionsDialog::init(DialogControls& controls) {
    controls.setChecked(ctl::kOptions16Bit, options_.wordLength == 16);
    controls.setChecked(ctl::kOptions24Bit, options_.wordLength != 16);
    controls.setChecked(ctl::kOptionsBroadcastWave, options_.broadcastWave);
    controls.setChecked(ctl::kOptionsPoly, options_.polyFile);
}

bool TransferOptionsDialog::accept(DialogControls& controls) {
    options_.wordLength = controls.checked(ctl::kOptions16Bit) ? 16 : 24;
    options_.broadcastWave = controls.checked(ctl::kOptionsBroadcastWave);
    options_.polyFile = controls.checked(ctl::kOptionsPoly);
    return true;
}

}  // namespace deck
