// qt_layout_test.cpp - the main window offscreen at its least and at a large size: every control inside and
// readable, the lists taking the room, the placement kept between runs, the icon, the overview drawn in the list.
#include "app_icon.h"
#include "control_surface.h"
#include "ids.h"
#include "main_frame.h"
#include "profile.h"
#include "track_overview.h"
#include "track_overview_delegate.h"
#include "transfer_ids.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace decktest {
namespace {

using namespace deck;

class MemorySettings : public Profile {
public:
    int readInt(const std::string& key, int defaultValue) override {
        const auto found = ints.find(key);
        return found != ints.end() ? found->second : defaultValue;
    }
    void writeInt(const std::string& key, int value) override { ints[key] = value; }
    std::string readText(const std::string& key, const std::string& defaultValue) override {
        const auto found = texts.find(key);
        return found != texts.end() ? found->second : defaultValue;
    }
    void writeText(const std::string& key, const std::string& value) override { texts[key] = value; }
    std::map<std::string, int> ints;
    std::map<std::string, std::string> texts;
};

// The form's own controls: the widgets the template placed on the view.
std::vector<QWidget*> formControls(deckqt::CMainFrame& frame) {
    std::vector<QWidget*> controls;
    for (QWidget* child : frame.view().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) controls.push_back(child);
    return controls;
}

std::string nameOf(const QWidget* w) {
    if (const auto* group = qobject_cast<const QGroupBox*>(w)) return "group " + group->title().toStdString();
    if (const auto* label = qobject_cast<const QLabel*>(w)) return "label '" + label->text().toStdString() + "'";
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) return "button " + button->text().toStdString();
    return w->metaObject()->className();
}

QRect inFrame(deckqt::CMainFrame& frame, const QWidget* w) {
    return QRect(w->mapTo(&frame, QPoint(0, 0)), w->size());
}

// Every control shows, lies inside the window, overlaps no other control (group boxes hold them) and has room
// for its text.
void expectEveryControlShown(deckqt::CMainFrame& frame) {
    const std::vector<QWidget*> controls = formControls(frame);
    ASSERT_GT(controls.size(), 50u);
    for (QWidget* w : controls) {
        EXPECT_TRUE(w->isVisible()) << nameOf(w);
        EXPECT_TRUE(frame.rect().contains(inFrame(frame, w))) << nameOf(w) << " at " << inFrame(frame, w).x() << ","
                                                             << inFrame(frame, w).y() << " in " << frame.width()
                                                             << "x" << frame.height();
        EXPECT_GT(w->width(), 0) << nameOf(w);
        EXPECT_GT(w->height(), 0) << nameOf(w);
        const auto* label = qobject_cast<const QLabel*>(w);
        const auto* button = qobject_cast<const QAbstractButton*>(w);
        if ((label != nullptr && !label->text().isEmpty()) || (button != nullptr && !button->text().isEmpty())) {
            EXPECT_LE(w->sizeHint().width(), w->width() + 2) << nameOf(w) << " does not fit its text";
        }
    }
    for (size_t i = 0; i < controls.size(); ++i) {
        if (qobject_cast<QGroupBox*>(controls[i]) != nullptr) continue;
        for (size_t j = i + 1; j < controls.size(); ++j) {
            if (qobject_cast<QGroupBox*>(controls[j]) != nullptr) continue;
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << nameOf(controls[i]) << " overlaps " << nameOf(controls[j]);
        }
    }
}

QWidget* transferList(deckqt::CMainFrame& frame) {
    for (QWidget* w : formControls(frame))
        if (qobject_cast<QListWidget*>(w) != nullptr) return w;
    return nullptr;
}

void resizeTo(deckqt::CMainFrame& frame, QSize size) {
    frame.resize(size);
    QApplication::processEvents();
}

TEST(QtLayout, AtItsLeastAndAtLargeSizesEveryControlStaysInsideAndTheListTakesTheRoom) {
    MemorySettings settings;
    deckqt::CMainFrame frame(settings);
    frame.start();
    QApplication::processEvents();
    // Room on a 1280x800 screen at 150 % text, with the title bar and a panel.
    const QSize least = frame.minimumSize();
    EXPECT_LE(least.width(), 1280 - 20);
    EXPECT_LE(least.height(), 800 - 80);
    EXPECT_GE(least.width(), 300);

    resizeTo(frame, least);
    EXPECT_EQ(frame.size(), least);
    expectEveryControlShown(frame);
    QWidget* list = transferList(frame);
    ASSERT_NE(list, nullptr);
    const QSize small = list->size();

    resizeTo(frame, QSize(1920, 1200));
    EXPECT_EQ(frame.size(), QSize(1920, 1200));
    expectEveryControlShown(frame);
    EXPECT_GT(list->width(), small.width() + 1000);
    EXPECT_GT(list->height(), small.height() + 500);

    // Smaller than the least is refused.
    resizeTo(frame, least - QSize(100, 100));
    EXPECT_EQ(frame.size(), least);
    frame.close();
}

TEST(QtLayout, SizeAndPlaceAreKeptBetweenRuns) {
    MemorySettings settings;
    {
        deckqt::CMainFrame frame(settings);
        frame.start();
        resizeTo(frame, frame.minimumSize() + QSize(210, 130));
        frame.move(37, 41);
        QApplication::processEvents();
        frame.close();
    }
    ASSERT_EQ(settings.texts.count("WindowPlacement"), 1u);
    deckqt::CMainFrame again(settings);
    again.start();
    QApplication::processEvents();
    EXPECT_EQ(again.size(), again.minimumSize() + QSize(210, 130));
    EXPECT_EQ(again.pos(), QPoint(37, 41));
    again.close();
}

TEST(QtLayout, WindowAndAboutBoxCarryTheProgramsIcon) {
    MemorySettings settings;
    deckqt::CMainFrame frame(settings);
    frame.start();
    const QImage picture = deckqt::applicationPicture(64, 1.0).toImage();
    ASSERT_EQ(picture.size(), QSize(64, 64));
    // Drawn from the SVG: the dark rounded square's middle, transparent corners.
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(8, 32)), 255);
    EXPECT_FALSE(frame.windowIcon().isNull());
    EXPECT_FALSE(frame.windowIcon().availableSizes().isEmpty());

    bool aboutHadIcon = false;
    bool aboutShowedPicture = false;
    QTimer::singleShot(0, &frame, [&] {
        auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (about == nullptr) return;
        aboutHadIcon = !about->windowIcon().isNull();
        for (QLabel* label : about->findChildren<QLabel*>())
            if (!label->pixmap().isNull()) aboutShowedPicture = true;
        about->accept();
    });
    ASSERT_NE(frame.commandAction(cmd::kAppAbout), nullptr);
    frame.commandAction(cmd::kAppAbout)->trigger();
    EXPECT_TRUE(aboutHadIcon);
    EXPECT_TRUE(aboutShowedPicture);
    frame.close();
}

TEST(QtLayout, TheListDrawsTheStripAndTheNoteBesideATrack) {
    MemorySettings settings;
    deckqt::CMainFrame frame(settings);
    frame.start();
    resizeTo(frame, QSize(1200, 800));
    deckqt::CHdView& view = frame.view();
    view.addLine(ctl::kTransferList, "Track 01");
    view.addLine(ctl::kTransferList, "Track 02");
    view.showLineOverview(ctl::kTransferList, 0, "\u2014 silent", std::vector<vxf::transfer::OverviewColumn>(400));
    view.showLineOverview(ctl::kTransferList, 1, "-6.0 dBFS",
                          std::vector<vxf::transfer::OverviewColumn>(400, {-0.5f, 0.5f}));
    auto* list = qobject_cast<QListWidget*>(transferList(frame));
    ASSERT_NE(list, nullptr);
    list->setEnabled(true);  // without a drive the Transfer group is off
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Track 01"));
    EXPECT_EQ(list->item(0)->data(deckqt::kOverviewNoteRole).toString(), QString::fromUtf8("\u2014 silent"));
    EXPECT_EQ(list->item(1)->data(deckqt::kOverviewStripRole).value<QList<QPointF>>().size(), 400);
    QApplication::processEvents();

    // Across the middle of each line: the loud track's strip fills half its height, the silent one's is a line.
    const QImage image = list->viewport()->grab().toImage();
    const QColor strip = list->palette().color(QPalette::Normal, QPalette::Highlight);
    const auto stripPixels = [&](int row) {
        const QRect line = list->visualItemRect(list->item(row));
        int count = 0;
        const int x = line.center().x() * image.width() / list->viewport()->width();
        for (int y = line.top(); y <= line.bottom(); ++y)
            if (QColor(image.pixel(x, y * image.height() / list->viewport()->height())) == strip) ++count;
        return count;
    };
    EXPECT_LE(stripPixels(0), 2);
    EXPECT_GE(stripPixels(1), 6);
    frame.close();
}

}  // namespace
}  // namespace decktest
