// qt_smoke_test.cpp - the Qt front end offscreen: main window, menus and ids, a dialog's name check, message boxes.
#include "control_surface.h"
#include "ext_message_box_dialog.h"
#include "ids.h"
#include "main_frame.h"
#include "name_dialogs.h"
#include "profile.h"
#include "template_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <vector>

namespace decktest {
namespace {

using namespace deck;

class NoSettings : public Profile {
public:
    int readInt(const std::string&, int defaultValue) override { return defaultValue; }
    void writeInt(const std::string& key, int value) override { written[key] = value; }
    std::string readText(const std::string&, const std::string& defaultValue) override { return defaultValue; }
    void writeText(const std::string&, const std::string&) override {}
    std::map<std::string, int> written;
};

struct MenuEntry {
    QString text;
    int id;
};

std::vector<MenuEntry> entriesOf(QMenu* menu) {
    std::vector<MenuEntry> entries;
    for (QAction* action : menu->actions())
        entries.push_back({action->isSeparator() ? QStringLiteral("-") : action->text(), action->data().toInt()});
    return entries;
}

class QtFront : public ::testing::Test {
protected:
    void TearDown() override { deckqt::setMessageBoxAnswerer(nullptr); }
    std::vector<QString> answeredTexts_;
};

TEST_F(QtFront, MainWindowCarriesTitleGroupsAndMenus) {
    NoSettings settings;
    deckqt::CMainFrame frame(settings);
    frame.start();
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("Corvane VXF Deck"));

    std::vector<QString> groups;
    for (QGroupBox* group : frame.findChildren<QGroupBox*>()) groups.push_back(group->title());
    EXPECT_EQ(groups, (std::vector<QString>{"Drive", "Free Space Preview", "Project", "Song", "Transfer", "Format",
                                            "Preview"}));

    const QList<QAction*> menus = frame.menuBar()->actions();
    ASSERT_EQ(menus.size(), 5);
    EXPECT_EQ(menus[0]->text(), QStringLiteral("&Drive"));
    EXPECT_EQ(menus[4]->text(), QStringLiteral("&Help"));
    const std::vector<MenuEntry> drive = entriesOf(menus[0]->menu());
    ASSERT_EQ(drive.size(), 9u);
    const std::vector<std::pair<const char*, int>> expected = {
        {"&Select...", 32771}, {"&Format...", 32772}, {"&Upgrade...", 163}, {"Scan/&Remap...", 165},
        {"Recover &Lost Songs...", 167}, {"&Archive...", cmd::kDriveArchive}, {"&Properties...", 32773}, {"-", 0},
        {"E&xit", cmd::kAppExit}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(drive[i].text, QString::fromLatin1(expected[i].first));
        if (expected[i].second != 0) {
            EXPECT_EQ(drive[i].id, expected[i].second);
        }
    }
    const std::vector<MenuEntry> song = entriesOf(menus[2]->menu());
    ASSERT_EQ(song.size(), 4u);
    EXPECT_EQ(song[1].text, QStringLiteral("&Create..."));
    EXPECT_EQ(song[1].id, 32779);
    EXPECT_EQ(entriesOf(menus[1]->menu())[3].id, 32777);
    EXPECT_EQ(entriesOf(menus[3]->menu())[0].text, QStringLiteral("&Options..."));
    EXPECT_EQ(entriesOf(menus[3]->menu())[0].id, 161);
    EXPECT_EQ(entriesOf(menus[4]->menu())[0].text, QStringLiteral("&About VXF Deck..."));

    // Without drives the Drive menu offers only Exit.
    frame.updateMenu(menus[0]->menu());
    for (QAction* action : menus[0]->menu()->actions()) {
        if (action->isSeparator()) continue;
        EXPECT_EQ(action->isEnabled(), action->data().toInt() == cmd::kAppExit) << action->text().toStdString();
    }
    frame.close();
    EXPECT_EQ(settings.written.count("DriveName"), 1u);
}

TEST_F(QtFront, FormIsLaidOutInDialogUnits) {
    NoSettings settings;
    deckqt::CMainFrame frame(settings);
    frame.start();
    const deckqt::DialogUnits units(deckqt::dialogFont());
    const QSize form = frame.view().formSize();
    EXPECT_EQ(form, QSize(units.x(505), units.y(332)));
    for (QGroupBox* group : frame.findChildren<QGroupBox*>()) {
        if (group->title() == QStringLiteral("Transfer")) {
            EXPECT_EQ(group->geometry(), QRect(units.x(211), units.y(7), units.x(285), units.y(318)));
        }
        if (group->title() == QStringLiteral("Song")) {
            EXPECT_EQ(group->geometry(), QRect(units.x(7), units.y(207), units.x(197), units.y(118)));
        }
    }
    frame.close();
}

TEST_F(QtFront, DialogOkRunsTheNameCheckAndStaysOpen) {
    NoSettings settings;
    deckqt::CMainFrame frame(settings);
    frame.start();
    deckqt::setMessageBoxAnswerer([this](const QString& text, const ExtMessageBoxLayout&) {
        answeredTexts_.push_back(text);
        return idr::kOk;
    });
    ProjectCreateDialog logic(frame.view(), false);
    deckqt::TemplateDialog dialog(&frame, logic);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Project Create"));
    auto* name = dialog.findChild<QLineEdit*>();
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("Proj Name"));
    EXPECT_EQ(name->maxLength(), 10);
    name->setText(QStringLiteral("Mix-B"));
    QPushButton* ok = nullptr;
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == QStringLiteral("OK")) ok = button;
    ASSERT_NE(ok, nullptr);
    int result = -1;
    QTimer::singleShot(0, ok, [&] {
        ok->click();
        QTimer::singleShot(0, &dialog, [&] {
            EXPECT_TRUE(dialog.isVisible());
            name->setText(QStringLiteral("Mix B"));
            ok->click();
        });
    });
    result = dialog.exec();
    ASSERT_EQ(answeredTexts_.size(), 1u);
    EXPECT_EQ(answeredTexts_[0], QStringLiteral("Names can only include alpha and numeric characters in VXF v1.00"));
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(logic.name(), "Mix B");
    frame.close();
}

std::vector<QString> buttonTexts(const deckqt::ExtMessageBoxDialog& box) {
    std::vector<QString> texts;
    for (QPushButton* button : box.buttons()) texts.push_back(button->text());
    return texts;
}

TEST_F(QtFront, ExtendedBoxOfSetThreeWithYesToAll) {
    const ExtMessageBoxLayout layout = layoutExtMessageBox("Replace", mb::kYesNoCancel | mb::kYesToAll | mb::kIconQuestion);
    deckqt::ExtMessageBoxDialog box(nullptr, QStringLiteral("Replace the file?"), layout, 0);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Replace"));
    EXPECT_EQ(buttonTexts(box), (std::vector<QString>{"&Yes", "Yes to &All", "&No", "Cancel"}));
    QTimer::singleShot(0, &box, [&box] { box.buttons()[1]->click(); });
    EXPECT_EQ(box.exec(), idr::kYesToAll);
}

TEST_F(QtFront, ExtendedBoxOfSetFourWithBothAllButtonsAndCheckBox) {
    const ExtMessageBoxLayout layout =
        layoutExtMessageBox("", mb::kYesNo | mb::kYesToAll | mb::kNoToAll | mb::kDontAskAgain);
    deckqt::ExtMessageBoxDialog box(nullptr, QStringLiteral("Go on?"), layout, 0);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Corvane VXF Deck"));
    EXPECT_EQ(buttonTexts(box), (std::vector<QString>{"&Yes", "Yes to &All", "&No", "No to A&ll"}));
    ASSERT_NE(box.checkBox(), nullptr);
    EXPECT_EQ(box.checkBox()->text(), QStringLiteral("Don't ask me again"));
    QTimer::singleShot(0, &box, [&box] {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&box, &escape);  // no Cancel button: nothing happens
        box.checkBox()->setChecked(true);
        box.buttons()[3]->click();
    });
    EXPECT_EQ(box.exec(), static_cast<int>(idr::kNoToAll | mb::kDontAskAgain));
}

TEST_F(QtFront, ExtendedBoxOfSetFourWithoutFlagsHasYesAndNoOnly) {
    const ExtMessageBoxLayout layout = layoutExtMessageBox("c", mb::kYesNo);
    deckqt::ExtMessageBoxDialog box(nullptr, QStringLiteral("?"), layout, 0);
    EXPECT_EQ(buttonTexts(box), (std::vector<QString>{"&Yes", "&No"}));
    EXPECT_EQ(box.checkBox(), nullptr);
    EXPECT_TRUE(box.buttons()[0]->isDefault());
}

}  // namespace
}  // namespace decktest

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Settings and drives of these tests stay in a folder of their own.
    char folder[] = "/tmp/vxfdeck-qt-test-XXXXXX";
    if (mkdtemp(folder) != nullptr) {
        setenv("XDG_CONFIG_HOME", folder, 1);
        setenv("XDG_CACHE_HOME", (std::string(folder) + "/cache").c_str(), 1);
        setenv("VXF_DISK_ENUM", (std::string(folder) + "/disks").c_str(), 1);
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return result;
}
