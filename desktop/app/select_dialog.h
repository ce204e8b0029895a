// select_dialog.h - a dialog that offers a copy of one of the form's lists and answers the chosen line.
#pragma once

#include "form.h"

#include <string>
#include <vector>

namespace deck {

// Drive, Project and Song Select, and the lists of Project Delete and Song Delete.
class SelectDialog : public DialogLogic {
public:
    SelectDialog(int templateId, int listId, const Controls& source, int sourceListId);

    int templateId() const override { return templateId_; }
    void init(DialogControls& controls) override;

    // The chosen index, -1 for none.
    int chosen() const { return chosen_; }
    const std::string& chosenLine() const;

protected:
    bool accept(DialogControls& controls) override;

private:
    int templateId_;
    int listId_;
    std::vector<std::string> lines_;
    int chosen_;
};

}  // namespace deck
