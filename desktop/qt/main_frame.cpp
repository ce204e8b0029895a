// main_frame.cpp - the main window: title, menu bar with the command ids, accelerators, About box.
#include "main_frame.h"

#include "app_icon.h"
#include "device_change_watch.h"
#include "ids.h"
#include "profile.h"
#include "template_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>

namespace deckqt {

namespace {

constexpr int kSeparator = 0;
// The window's size and place, as Qt saves them, in Base64.
constexpr const char* kPlacementKey = "WindowPlacement";

class AboutDialog : public deck::DialogLogic {
public:
    int templateId() const override { return deck::tmpl::kAbout; }
};

}  // namespace

CMainFrame::CMainFrame(deck::Profile& profile, std::unique_ptr<deck::ServerClient> client) : profile_(profile) {
    setWindowIcon(applicationIcon());
    // The form follows the window's size down to its least; a screen smaller than that scrolls it.
    auto* area = new QScrollArea(this);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    view_ = new CHdView(area, profile, std::move(client));
    area->setWidget(view_);
    setCentralWidget(area);
    buildMenus();
    auto* extract = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
    connect(extract, &QShortcut::activated, this, [this] { command(deck::cmd::kExtractFileSystem); });
    auto* selectAll = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), this);
    connect(selectAll, &QShortcut::activated, this, [this] { command(deck::cmd::kSelectAll); });
    // The device-change broadcast runs the same check as the server's notification.
    new DeviceChangeWatch(this, [this] { view_->deviceChanged(); });
}

CMainFrame::~CMainFrame() { view_->shutdown(); }

void CMainFrame::buildMenus() {
    namespace cmd = deck::cmd;
    addMenu("&Drive", {{"&Select...", cmd::kDriveSelect},
                       {"&Format...", cmd::kDriveFormat},
                       {"&Upgrade...", cmd::kDriveUpgrade},
                       {"Scan/&Remap...", cmd::kDriveScanRemap},
                       {"Recover &Lost Songs...", cmd::kDriveRecoverSongs},
                       {"&Archive...", cmd::kDriveArchive},
                       {"&Properties...", cmd::kDriveProperties},
                       {nullptr, kSeparator},
                       {"E&xit", cmd::kAppExit}});
    addMenu("&Project", {{"&Select...", cmd::kProjectSelect},
                         {"&Create...", cmd::kProjectCreate},
                         {"&Delete...", cmd::kProjectDelete},
                         {"&Properties...", cmd::kProjectProperties}});
    addMenu("&Song", {{"&Select...", cmd::kSongSelect},
                      {"&Create...", cmd::kSongCreate},
                      {"&Delete...", cmd::kSongDelete},
                      {"&Properties...", cmd::kSongProperties}});
    addMenu("&Transfer", {{"&Options...", cmd::kTransferOptions}});
    addMenu("&Help", {{"&About VXF Deck...", cmd::kAppAbout}});
}

QMenu* CMainFrame::addMenu(const char* title, std::initializer_list<std::pair<const char*, int>> entries) {
    QMenu* menu = menuBar()->addMenu(QString::fromLatin1(title));
    for (const auto& [text, id] : entries) {
        if (id == kSeparator) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromLatin1(text));
        action->setData(id);
        const int commandId = id;
        connect(action, &QAction::triggered, this, [this, commandId] { command(commandId); });
        actions_[id] = action;
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { updateMenu(menu); });
    return menu;
}

void CMainFrame::updateMenu(QMenu* menu) {
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) action->setEnabled(view_->deck().isCommandEnabled(action->data().toInt()));
}

QAction* CMainFrame::commandAction(int id) const {
    const auto found = actions_.find(id);
    return found != actions_.end() ? found->second : nullptr;
}

void CMainFrame::command(int id) {
    if (id == deck::cmd::kAppAbout) {
        showAbout();
    } else {
        view_->deck().command(id);
    }
}

void CMainFrame::showAbout() {
    AboutDialog about;
    TemplateDialog box(this, about);
    box.setWindowIcon(applicationIcon());
    box.exec();
}

void CMainFrame::start() {
    view_->start();
    setWindowTitle(QString::fromLatin1(deck::kAppTitle));
    const QSize menu(0, menuBar()->sizeHint().height());
    QSize least = view_->leastFormSize() + menu;
    QSize form = view_->formSize() + menu;
    if (const QScreen* screen = this->screen()) {
        const QSize room = screen->availableGeometry().size();
        least = least.boundedTo(room);
        form = form.boundedTo(room);
    }
    setMinimumSize(least);
    resize(form);
    restorePlacement();
    show();
}

void CMainFrame::restorePlacement() {
    const std::string stored = profile_.readText(kPlacementKey, "");
    if (!stored.empty()) restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(stored)));
}

void CMainFrame::savePlacement() {
    if (isVisible()) profile_.writeText(kPlacementKey, saveGeometry().toBase64().toStdString());
}

void CMainFrame::bringToFront() {
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    savePlacement();
    view_->shutdown();
    event->accept();
}

}  // namespace deckqt
