// form.h - the narrow interface through which the desktop logic reaches the screen.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vxf::transfer {
struct OverviewColumn;
}  // namespace vxf::transfer

namespace deck {

class TransferServices;

// A window whose controls are addressed by their numeric ids: the main form or a dialog.
// List selections are 0-based; -1 stands for no selection.
class Controls {
public:
    virtual ~Controls() = default;

    virtual void setText(int id, const std::string& text) = 0;
    virtual std::string text(int id) const = 0;

    virtual void clearList(int id) = 0;
    virtual void addLine(int id, const std::string& line) = 0;
    virtual int lineCount(int id) const = 0;
    virtual std::string line(int id, int index) const = 0;
    virtual void setSelection(int id, int index) = 0;
    virtual int selection(int id) const = 0;
    // Widens a drop-down list's open part to its longest line.
    virtual void fitDropDown(int id) = 0;

    virtual void setChecked(int id, bool checked) = 0;
    virtual bool checked(int id) const = 0;

    virtual void enable(int id, bool enabled) = 0;
    virtual bool isEnabled(int id) const = 0;

    // Longest text an edit field takes.
    virtual void setTextLimit(int id, int characters) = 0;

    virtual void setProgressRange(int id, uint32_t maximum) = 0;
    virtual void setProgressPosition(int id, uint32_t position) = 0;

    // Lists that allow several selected lines: the selected ones in list order, and the
    // selection of one line. A single-selection control answers its one selection.
    virtual std::vector<int> selectedLines(int id) const;
    virtual void setLineSelected(int id, int index, bool selected);
};

// A modal dialog's controls; the dialog closes with the given result.
class DialogControls : public Controls {
public:
    virtual void endDialog(int result) = 0;
};

// The rules of one modal dialog. The front end builds the dialog of templateId(), calls
// init once, and forwards every button press, list selection change and the Escape key
// (as kIdCancel) to command.
class DialogLogic {
public:
    virtual ~DialogLogic() = default;
    virtual int templateId() const = 0;
    virtual void init(DialogControls& controls);
    virtual void command(DialogControls& controls, int id);

protected:
    // OK pressed: checks the fields and takes the values; false keeps the dialog open.
    virtual bool accept(DialogControls& controls);
};

// The main form and the services of the window system the logic needs.
class Form : public Controls {
public:
    // Message box with the type flags and results of ExtMessageBox.
    virtual int messageBox(const std::string& text, const std::string& caption, uint32_t type) = 0;
    // Runs the dialog modally; answers its end result (kIdOk, kIdCancel, ...).
    virtual int runModal(DialogLogic& dialog) = 0;
    // Nests: the wait cursor shows while at least one request is on.
    virtual void setWaitCursor(bool on) = 0;
    // Handles the window messages that are waiting, then returns.
    virtual void pumpMessages() = 0;
    // Asks the main window to close once the current message is handled.
    virtual void requestClose() = 0;
    virtual void openWebSite(const std::string& address) = 0;
    // The machine's services for the Transfer group; none where the front end has no transfer.
    virtual TransferServices* transferServices() { return nullptr; }
    // Beside a line of a list: a short note in UTF-8 (its level, or that it is silent) and a strip of min/max
    // columns to draw; an empty note and strip take them away. Front ends without it show the lines alone.
    virtual void showLineOverview(int id, int index, const std::string& note,
                                  const std::vector<vxf::transfer::OverviewColumn>& strip) {
        (void)id, (void)index, (void)note, (void)strip;
    }
    // Asks for DeckView::idleStep() once the window has handled what waits, after at least delayMs; a new
    // request replaces one not yet answered.
    virtual void requestIdleStep(int delayMs) { (void)delayMs; }
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
public:
    explicit WaitCursor(Form& form) : form_(form) { form_.setWaitCursor(true); }
    ~WaitCursor() { form_.setWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    Form& form_;
};

}  // namespace deck
