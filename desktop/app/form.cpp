// form.cpp - default behaviour of a dialog's buttons.
#include "form.h"

#include "ids.h"

namespace deck {

void DialogLogic::init(DialogControls&) {}

void DialogLogic::command(DialogControls& controls, int id) {
    if (id == kIdOk) {
        if (accept(controls)) controls.endDialog(kIdOk);
    } else if (id == kIdCancel) {
        controls.endDialog(kIdCancel);
    }
}

bool DialogLogic::accept(DialogControls&) { return true; }

}  // namespace deck
