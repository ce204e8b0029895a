// copy_progress_window.h - the "Copying..." window of export and import, with its Cancel button.
#pragma once

#include "control_surface.h"
#include "transfer_ui.h"

#include <QDialog>
#include <QPointer>

#include <memory>

namespace deckqt {

// Shown without blocking the program; while it is up the main window is disabled, so no
// other command can start. Cancel (the button, Escape or the close box) only notes the wish.
class CopyProgressWindow : public vxf::transfer::CopyProgressView {
public:
    explicit CopyProgressWindow(QWidget* mainWindow);
    ~CopyProgressWindow() override;

    void open(uint16_t tracks) override;
    void setFrom(const std::string& text) override;
    void setTo(const std::string& text) override;
    void setBar(uint32_t low, uint32_t high, uint64_t position) override;
    void setPercentText(const std::string& text) override;
    bool pollCancel() override;
    void close() override;

    // The window while it shows (tests press its Cancel).
    QDialog* window() const { return dialog_.get(); }
    ControlSurface* surface() const { return surface_.get(); }

private:
    class Dialog;

    QPointer<QWidget> mainWindow_;
    std::unique_ptr<QDialog> dialog_;
    std::unique_ptr<ControlSurface> surface_;
    bool cancelRequested_ = false;
    bool disabledMainWindow_ = false;
};

}  // namespace deckqt
