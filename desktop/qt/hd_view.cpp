// hd_view.cpp - the form: renders the view's state and forwards the user's actions to it.
#include "hd_view.h"

#include "ext_message_box_dialog.h"
#include "file_drag.h"
#include "ids.h"
#include "server_window.h"
#include "template_dialog.h"
#include "track_overview_delegate.h"
#include "transfer_ids.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDesktopServices>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QResizeEvent>
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
    surface_->stretch(formStretch());
    setMinimumSize(surface_->minimumPixelSize());
    resize(surface_->pixelSize());
    surface_->notify = [this](int id) { deck_.controlChanged(id); };
    follow_.setInterval(kFollowIntervalMs);
    connect(&follow_, &QTimer::timeout, this, [this] {
        if (running_) deck_.followOtherPrograms();
    });
    idle_.setSingleShot(true);
    connect(&idle_, &QTimer::timeout, this, [this] {
        if (running_) deck_.idleStep();
    });
    if (auto* list = qobject_cast<QAbstractItemView*>(surface_->widget(deck::ctl::kTransferList))) {
        list->setItemDelegate(new TrackOverviewDelegate(list));
        list->viewport()->setAcceptDrops(true);
        list->viewport()->installEventFilter(this);
    }
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
    idle_.stop();
    registerServerWindow(deck_.server(), nullptr);
    deck_.shutdown();
}

void CHdView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    surface_->arrange(event->size());
}

namespace {

std::vector<std::string> droppedFiles(const QMimeData* data) {
    std::vector<std::string> paths;
    if (data == nullptr) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
    return paths;
}

}  // namespace

bool CHdView::exportListShown() {
    return running_ && deck_.started() && deck_.transfer().settings().mode == deck::TransferMode::Export;
}

void CHdView::listPressed(const QMouseEvent& press) {
    auto* list = qobject_cast<QAbstractItemView*>(surface_->widget(deck::ctl::kTransferList));
    if (list == nullptr) return;
    const QModelIndex line = list->indexAt(press.position().toPoint());
    // A press elsewhere selects as it always did, sweeping over lines included.
    const bool onSelected = press.button() == Qt::LeftButton && exportListShown() && line.isValid() &&
                            list->selectionModel()->isSelected(line);
    list->setDragEnabled(onSelected);
    dragFrom_ = onSelected ? std::optional<QPoint>(press.position().toPoint()) : std::nullopt;
}

bool CHdView::listMoved(const QMouseEvent& move) {
    // Moves while the export of a drag runs are the same gesture still.
    if (dragging_) return true;
    if (!dragFrom_ || !(move.buttons() & Qt::LeftButton) || !exportListShown()) return false;
    // The list never starts a drag of its own: short moves are ours too.
    if ((move.position().toPoint() - *dragFrom_).manhattanLength() < QApplication::startDragDistance()) return true;
    dragFrom_.reset();
    dragTracks();
    return true;
}

void CHdView::dragTracks() {
    dragging_ = true;
    std::unique_ptr<QMimeData> data = exportDragData();
    dragging_ = false;
    // A button let go while the files were written ended the gesture: the drop has no place to go.
    if (data && (QGuiApplication::mouseButtons() & Qt::LeftButton)) runFileDrag(this, std::move(data));
    if (running_) deck_.dragEnded();
}

std::unique_ptr<QMimeData> CHdView::exportDragData() {
    if (!running_) return nullptr;
    return fileDragData(deck_.exportForDrag());
}

bool CHdView::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: listPressed(*static_cast<QMouseEvent*>(event)); return false;
    case QEvent::MouseMove: return listMoved(*static_cast<QMouseEvent*>(event));
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        // Only the import list takes files; the export list's tracks are the drive's.
        const bool files = !droppedFiles(drag->mimeData()).empty() && deck_.started() &&
                           deck_.transfer().settings().mode == deck::TransferMode::Import;
        if (files) drag->acceptProposedAction();
        else drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const std::vector<std::string> paths = droppedFiles(drop->mimeData());
        if (paths.empty()) return false;
        drop->acceptProposedAction();
        // The import asks its questions in dialogs: it runs once the drag has ended.
        QTimer::singleShot(0, this, [this, paths] {
            if (running_) deck_.filesDropped(paths);
        });
        return true;
    }
    default: return QWidget::eventFilter(watched, event);
    }
}

void CHdView::customEvent(QEvent* event) {
    if (event->type() != WindowMessageEvent::eventType()) return;
    const auto* message = static_cast<WindowMessageEvent*>(event);
    if (running_) deck_.windowMessage(message->message, message->wparam, message->lparam);
}

void CHdView::deviceChanged() {
    if (running_) deck_.windowMessage(deck::kMsgDrivesChanged, 0, 0);
}

void CHdView::showLineOverview(int id, int index, const std::string& note,
                                const std::vector<vxf::transfer::OverviewColumn>& strip) {
    surface_->setLineOverview(id, index, note, strip);
}

void CHdView::requestIdleStep(int delayMs) { idle_.start(delayMs); }

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
