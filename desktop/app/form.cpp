// form.cpp - default behaviour of a dialog's buttons and of single-selection lists.
#include "form.h"

#include "ids.h"

namespace deck {

std::vector<int> Controls::selectedLines(int id) const {
    const int line = selection(id);
    if (line < 0) return {};
    return {line};
}

void Controls::setLineSelected(int id, int index, bool selected) {
    if (selected) {
        setSelection(id, index);
    } else if (selection(id) == index) {
        setSelection(id, -1);
    }
}

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
