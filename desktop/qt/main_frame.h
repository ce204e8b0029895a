// main_frame.h - the main window: title, menu bar with the command ids, accelerators, About box.
#pragma once

#include "hd_doc.h"
#include "hd_view.h"

#include <QMainWindow>

#include <map>
#include <memory>

class QAction;
class QMenu;

namespace deckqt {

class CMainFrame : public QMainWindow {
public:
    explicit CMainFrame(deck::Profile& profile, std::unique_ptr<deck::ServerClient> client = nullptr);
    ~CMainFrame() override;

    // Builds the panes, sizes the frame to the form and shows it.
    void start();
    // A second start of the program: to the front, restored, with any open dialog on top.
    void bringToFront();

    CHdView& view() { return *view_; }
    QAction* commandAction(int id) const;
    // Enables the entries of a menu as the view's rules say, as when it opens.
    void updateMenu(QMenu* menu);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    QMenu* addMenu(const char* title, std::initializer_list<std::pair<const char*, int>> entries);
    void command(int id);
    void showAbout();
    void restorePlacement();
    void savePlacement();

    deck::Profile& profile_;
    CHdDoc document_;
    CHdView* view_;
    std::map<int, QAction*> actions_;
};

}  // namespace deckqt
