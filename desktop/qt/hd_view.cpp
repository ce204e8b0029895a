// hd_view.cpp - the form: renders the view's state and forwards the user's actions to it.
#include "hd_view.h"

#include "ext_message_box_dialog.h"
#include "ids.h"
#include "server_window.h"
#include "template_dialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

namespace deckqt {

namespace {
// Within about a second of another program's change, the panes show it.
constexpr int kFollowIntervalMs = 500;
}  // namespace

CHdView::CHdView(QWidget* parent, deck::Profile& profile, std::unique_ptr<deck::ServerClient> client)
    : QWidget(parent),
      surface_(std::make_unique<ControlSurface>(this, dialogTemplate(deck::tmpl::kForm))),
      services_(this),
      deck_(*this, profile, std::move(client)) {
    setFixedSize(surface_->pixelSize());
    surface_->notify = [this](int id) { deck_.controlChanged(id); };
    follow_.setInterval(kFollowIntervalMs);
    connect(&follow_, &QTimer::timeout, this, [this] {
        if (running_) deck_.followOtherPrograms();
    });
}

CHdView::~CHdView() { shutdown(); }

void CHdView::start() {
    registerServerWindow(deck_.server(), this);
    running_ = true;
    deck_.start();
    follow_.start();
}

void CHdView::shutdown() {
    if (!running_) return;
    running_ = false;
    follow_.stop();
    registerServerWindow(deck_.server(), nullptr);
    deck_.shutdown();
}

void CHdView::customEvent(QEvent* event) {
    if (event->type() != WindowMessageEvent::eventType()) return;
    const auto* message = static_cast<WindowMessageEvent*>(event);
    if (running_) deck_.windowMessage(message->message, message->wparam, message->lparam);
}

void CHdView::deviceChanged() {
    if (running_) deck_.windowMessage(deck::kMsgDrivesChanged, 0, 0);
}

int CHdView::messageBox(const std::string& text, const std::string& caption, uint32_t type) {
    return extMessageBox(window(), text, caption, type);
}

int CHdView::runModal(deck::DialogLogic& dialog) {
    TemplateDialog box(window(), dialog);
    return box.exec();
}

void CHdView::setWaitCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void CHdView::pumpMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void CHdView::requestClose() { QMetaObject::invokeMethod(window(), "close", Qt::QueuedConnection); }

void CHdView::openWebSite(const std::string& address) { QDesktopServices::openUrl(QUrl(toQt(address))); }

}  // namespace deckqt
