// hd_view.h - the form: renders the view's state and forwards the user's actions to it.
#pragma once

#include "control_surface.h"
#include "deck_view.h"
#include "form.h"
#include "qt_transfer_services.h"

#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

namespace deck {
class Profile;
class ServerClient;
}  // namespace deck

namespace deckqt {

class CHdView : public QWidget, public SurfaceControls<deck::Form> {
public:
    CHdView(QWidget* parent, deck::Profile& profile, std::unique_ptr<deck::ServerClient> client = nullptr);
    ~CHdView() override;

    // Registers with the server and builds the panes.
    void start();
    // Saves the settings, closes the drive and stops the server's notifications.
    void shutdown();

    deck::DeckView& deck() { return deck_; }
    // The platform says drives came or went.
    void deviceChanged();
    QSize formSize() const { return surface_->pixelSize(); }
    QSize leastFormSize() const { return surface_->minimumPixelSize(); }

    int messageBox(const std::string& text, const std::string& caption, uint32_t type) override;
    int runModal(deck::DialogLogic& dialog) override;
    void setWaitCursor(bool on) override;
    void pumpMessages() override;
    void requestClose() override;
    void openWebSite(const std::string& address) override;
    deck::TransferServices* transferServices() override { return &services_; }
    void showLineOverview(int id, int index, const std::string& note,
                          const std::vector<vxf::transfer::OverviewColumn>& strip) override;
    void requestIdleStep(int delayMs) override;
    QtTransferServices& qtTransferServices() { return services_; }
    // The selected tracks of the export list exported for a drag, as the drag's data; none when the export
    // was cancelled or failed.
    std::unique_ptr<QMimeData> exportDragData();

protected:
    ControlSurface& surface() const override { return *surface_; }
    void customEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Files dragged onto the track or file list, tracks dragged out of it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool exportListShown();
    // A button was pressed on the list: pressing a selected line of the export list keeps the others
    // selected, so all of them can be dragged.
    void listPressed(const QMouseEvent& press);
    // The mouse moved over the list: true when it took the move, to drag the selected tracks out.
    bool listMoved(const QMouseEvent& move);
    void dragTracks();

    std::unique_ptr<ControlSurface> surface_;
    QtTransferServices services_;
    deck::DeckView deck_;
    // Looks for other programs' changes of the selected drive.
    QTimer follow_;
    // Runs the logic's background work a step at a time between the window's events.
    QTimer idle_;
    bool running_ = false;
    // Where the left button went down on a selected line of the export list; none when not there.
    std::optional<QPoint> dragFrom_;
    bool dragging_ = false;
};

}  // namespace deckqt
