// copy_progress_window.cpp - the "Copying..." window of export and import, with its Cancel button.
#include "copy_progress_window.h"

#include "ids.h"
#include "transfer_ids.h"

#include <QCoreApplication>

#include <utility>

namespace deckqt {

// Escape and the close box ask to cancel like the button; the window stays until the transfer ends.
class CopyProgressWindow::Dialog : public QDialog {
public:
    explicit Dialog(bool& cancelRequested) : cancelRequested_(cancelRequested) {}

protected:
    void reject() override { cancelRequested_ = true; }

private:
    bool& cancelRequested_;
};

CopyProgressWindow::CopyProgressWindow(QWidget* mainWindow) : mainWindow_(mainWindow) {}

CopyProgressWindow::~CopyProgressWindow() { close(); }

void CopyProgressWindow::open(uint16_t) {
    close();
    cancelRequested_ = false;
    // A window of its own: a child of the disabled main window would be disabled with it.
    dialog_ = std::make_unique<Dialog>(cancelRequested_);
    const DialogTemplate& layout = dialogTemplate(deck::tmpl::kCopyProgress);
    dialog_->setWindowTitle(QString::fromLatin1(layout.title));
    surface_ = std::make_unique<ControlSurface>(dialog_.get(), layout);
    surface_->notify = [this](int id) {
        if (id == deck::kIdCancel) cancelRequested_ = true;
    };
    dialog_->setFixedSize(surface_->pixelSize());
    if (mainWindow_ && mainWindow_->isEnabled()) {
        mainWindow_->setEnabled(false);
        disabledMainWindow_ = true;
    }
    if (mainWindow_) {
        const QRect frame = mainWindow_->frameGeometry();
        dialog_->move(frame.center() - QPoint(dialog_->width() / 2, dialog_->height() / 2));
    }
    dialog_->show();
}

void CopyProgressWindow::setFrom(const std::string& text) {
    if (surface_) surface_->setText(deck::ctl::kCopyFrom, text);
}

void CopyProgressWindow::setTo(const std::string& text) {
    if (surface_) surface_->setText(deck::ctl::kCopyTo, text);
}

void CopyProgressWindow::setBar(uint32_t low, uint32_t high, uint64_t position) {
    if (!surface_) return;
    const uint32_t span = high > low ? high - low : 0;
    const uint64_t done = position > low ? position - low : 0;
    surface_->setProgressRange(deck::ctl::kCopyBar, span);
    surface_->setProgressPosition(deck::ctl::kCopyBar, static_cast<uint32_t>(std::min<uint64_t>(done, span)));
}

void CopyProgressWindow::setPercentText(const std::string& text) {
    if (surface_) surface_->setText(deck::ctl::kCopyPercent, text);
}

bool CopyProgressWindow::pollCancel() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return std::exchange(cancelRequested_, false);
}

void CopyProgressWindow::close() {
    if (disabledMainWindow_ && mainWindow_) mainWindow_->setEnabled(true);
    disabledMainWindow_ = false;
    surface_.reset();
    dialog_.reset();
}

}  // namespace deckqt
