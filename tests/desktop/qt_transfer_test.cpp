// qt_transfer_test.cpp - the Transfer group through the real widgets, offscreen: a track exported with the Export button.
#include "ext_message_box_dialog.h"
#include "ids.h"
#include "main_frame.h"
#include "profile.h"
#include "tavovxf.h"
#include "transfer_ids.h"

#include <QApplication>
#include <QAudioDevice>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMediaDevices>
#include <QMimeData>
#include <QMouseEvent>
#include <QDropEvent>
#include <QUrl>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

namespace decktest {
namespace {

using namespace deck;

constexpr uint32_t kSamples = 24000;

class ExportProfile : public Profile {
public:
    int readInt(const std::string&, int defaultValue) override { return defaultValue; }
    void writeInt(const std::string&, int) override {}
    std::string readText(const std::string& key, const std::string& defaultValue) override {
        const auto found = texts.find(key);
        return found != texts.end() ? found->second : defaultValue;
    }
    void writeText(const std::string& key, const std::string& value) override { texts[key] = value; }
    std::map<std::string, std::string> texts;
};

class QtTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/vxfdeck-qt-transfer-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder_ = name;
        outDir_ = folder_ + "/out";
        std::filesystem::create_directory(outDir_);
        makeDrive();
    }
    void TearDown() override {
        deckqt::setMessageBoxAnswerer(nullptr);
        if (folder_.rfind("/tmp/", 0) == 0) std::filesystem::remove_all(folder_);
    }

    // A formatted drive holding one 2-track song of a rising ramp on track 1.
    void makeDrive() {
        const std::string image = folder_ + "/drive.img";
        const int fd = ::open(image.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, off_t{78165360} * 512), 0);
        ::close(fd);
        std::ofstream(std::getenv("VXF_DISK_ENUM")) << "Count=1\n0=SBP2\\" << image << "\n";
        uint16_t count = 0;
        uint32_t handle = 0;
        ASSERT_EQ(tavovxfDriveGetNum(&count), VXF_OK);
        ASSERT_EQ(tavovxfDriveOpen(0, &handle), VXF_OK);
        ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
        ASSERT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
        ASSERT_EQ(tavovxfSongCreate(handle, 2, 48000, 24), VXF_OK);
        ASSERT_EQ(tavovxfSongSetExtName(handle, "Ramp"), VXF_OK);
        ramp_.resize(kSamples * 3);
        for (uint32_t i = 0; i < kSamples; ++i) {
            const uint32_t value = i * 256 + 7;
            ramp_[3 * i] = static_cast<uint8_t>(value);
            ramp_[3 * i + 1] = static_cast<uint8_t>(value >> 8);
            ramp_[3 * i + 2] = static_cast<uint8_t>(value >> 16);
        }
        ASSERT_EQ(tavovxfTrackWrite(handle, 0, 0, kSamples, 3, 0, ramp_.data()), VXF_OK);
        ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
    }

    // A 16-bit 48 kHz WAV file of silence.
    static void writeSilence(const std::string& path, uint32_t samples) {
        const uint32_t dataBytes = samples * 2;
        std::ofstream wav(path, std::ios::binary);
        auto u32 = [&wav](uint32_t v) { wav.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&wav](uint16_t v) { wav.write(reinterpret_cast<const char*>(&v), 2); };
        wav.write("RIFF", 4);
        u32(36 + dataBytes);
        wav.write("WAVEfmt ", 8);
        u32(16);
        u16(1);
        u16(1);
        u32(48000);
        u32(96000);
        u16(2);
        u16(16);
        wav.write("data", 4);
        u32(dataBytes);
        wav << std::string(dataBytes, '\0');
    }

    // Every message box answers OK; its text is kept.
    void answerBoxesWithOk() {
        deckqt::setMessageBoxAnswerer([this](const QString& text, const ExtMessageBoxLayout&) {
            boxTexts_.push_back(text);
            return idr::kOk;
        });
    }

    static QPushButton* playButton(QWidget& parent) {
        for (QPushButton* button : parent.findChildren<QPushButton*>())
            if (button->accessibleName() == QStringLiteral("P")) return button;
        return nullptr;
    }

    template <class Widget>
    static Widget* withText(QWidget& parent, const char* text) {
        for (Widget* widget : parent.findChildren<Widget*>())
            if (widget->text() == QString::fromLatin1(text)) return widget;
        return nullptr;
    }

    std::string folder_;
    std::string outDir_;
    std::vector<uint8_t> ramp_;
    std::vector<QString> boxTexts_;
};

TEST_F(QtTransfer, TrackExportedWithTheExportButtonIsAWaveFileOfItsSamples) {
    ExportProfile settings;
    settings.texts["TransExportStr"] = outDir_;
    deckqt::CMainFrame frame(settings);
    frame.start();
    auto* list = frame.findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Track 01"));
    QPushButton* exportButton = withText<QPushButton>(frame, "Export");
    ASSERT_NE(exportButton, nullptr);
    EXPECT_FALSE(exportButton->isEnabled());
    QComboBox* field = nullptr;
    for (QComboBox* combo : frame.findChildren<QComboBox*>())
        if (combo->isEditable()) field = combo;
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->currentText().toStdString(), outDir_);
    EXPECT_EQ(field->lineEdit()->maxLength(), 260);
    QRadioButton* wav = withText<QRadioButton>(frame, "WAV");
    ASSERT_NE(wav, nullptr);
    EXPECT_TRUE(wav->isChecked());

    list->item(0)->setSelected(true);  // the user's click
    EXPECT_TRUE(exportButton->isEnabled());
    exportButton->click();

    const std::string path = outDir_ + "/Ramp-Track01.wav";
    ASSERT_TRUE(std::filesystem::exists(path));
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
    ASSERT_EQ(bytes.size(), 44u + ramp_.size());
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_TRUE(std::equal(ramp_.begin(), ramp_.end(), bytes.begin() + 44));
    EXPECT_TRUE(frame.isEnabled());  // the copy window gave the main window back
    EXPECT_EQ(field->itemText(0).toStdString(), outDir_);
    bool statistics = false;
    for (QLabel* label : frame.findChildren<QLabel*>())
        statistics = statistics || label->text().endsWith(QStringLiteral(" Mbs"));
    EXPECT_TRUE(statistics);
    frame.close();
}

TEST_F(QtTransfer, TracksDraggedOutOfTheExportListCarryTheURLsOfTheirExportedFiles) {
    ExportProfile settings;
    settings.texts["TransExportStr"] = outDir_;
    deckqt::CMainFrame frame(settings);
    frame.start();
    auto* list = frame.findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    list->item(0)->setSelected(true);
    list->item(1)->setSelected(true);
    // Pressing a selected line keeps the others selected, so both can be dragged.
    const QPoint at = list->visualItemRect(list->item(1)).center();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), list->viewport()->mapToGlobal(QPointF(at)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &press);
    EXPECT_TRUE(list->item(0)->isSelected());
    EXPECT_TRUE(list->dragEnabled());
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), list->viewport()->mapToGlobal(QPointF(at)),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &release);
    list->item(0)->setSelected(true);
    list->item(1)->setSelected(true);

    const std::unique_ptr<QMimeData> data = frame.view().exportDragData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("text/uri-list")));
    const QList<QUrl> urls = data->urls();
    ASSERT_EQ(urls.size(), 2);
    for (const QUrl& url : urls) {
        ASSERT_TRUE(url.isLocalFile());
        EXPECT_TRUE(std::filesystem::is_regular_file(url.toLocalFile().toStdString())) << url.toString().toStdString();
    }
    EXPECT_TRUE(urls[0].toLocalFile().endsWith(QStringLiteral("/Ramp-Track01.wav")));
    EXPECT_TRUE(urls[1].toLocalFile().endsWith(QStringLiteral("/Ramp-Track02.wav")));
    std::ifstream file(urls[0].toLocalFile().toStdString(), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
    ASSERT_EQ(bytes.size(), 44u + ramp_.size());
    EXPECT_TRUE(std::equal(ramp_.begin(), ramp_.end(), bytes.begin() + 44));
    EXPECT_TRUE(std::filesystem::is_empty(outDir_));
    frame.close();
}

TEST_F(QtTransfer, PlayButtonWithoutASoundDeviceSaysWhatIsMissingOrPlays) {
    ExportProfile settings;
    deckqt::CMainFrame frame(settings);
    frame.start();
    answerBoxesWithOk();
    const std::vector<QString>& texts = boxTexts_;
    auto* list = frame.findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    list->item(1)->setSelected(true);
    QPushButton* play = playButton(frame);
    ASSERT_NE(play, nullptr);
    ASSERT_TRUE(play->isEnabled());
    play->click();
    if (texts.empty()) {
        // A machine with sound: it plays; stop it.
        play->click();
    } else {
        EXPECT_EQ(texts, (std::vector<QString>{QStringLiteral("The audio device driver is not present.")}));
    }
    EXPECT_TRUE(play->isEnabled());
    EXPECT_TRUE(frame.isEnabled());
    frame.close();
}

class ImportProfile : public ExportProfile {
public:
    int readInt(const std::string& key, int defaultValue) override { return key == "TabSelection" ? 1 : defaultValue; }
};

TEST_F(QtTransfer, FolderAndFileNamesOutsideAsciiAreShownTypedAndUsedAsTheFileSystemHasThem) {
    const std::string folder = folder_ + "/St\xC3\xA4ndchen";  // UTF-8, as the file system names it
    std::filesystem::create_directory(folder);
    writeSilence(folder + "/Gr\xC3\xBC\xC3\x9F" "e-Track01.wav", 1000);
    ImportProfile settings;
    deckqt::CMainFrame frame(settings);
    frame.start();
    QComboBox* field = nullptr;
    for (QComboBox* combo : frame.findChildren<QComboBox*>())
        if (combo->isEditable()) field = combo;
    ASSERT_NE(field, nullptr);
    field->lineEdit()->clear();
    for (const QChar c : QString::fromStdString(folder)) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(field->lineEdit(), &key);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(field->lineEdit(), &enter);
    auto* list = frame.findChild<QListWidget*>();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QString::fromUtf8("Gr\xC3\xBC\xC3\x9F" "e-Track01.wav"));
    answerBoxesWithOk();
    list->item(0)->setSelected(true);
    withText<QPushButton>(frame, "Import")->click();
    EXPECT_EQ(boxTexts_.size(), 1u);  // only the replace question: the file was found and read
    frame.close();
    EXPECT_EQ(settings.texts["TransImportStr"], folder);
    EXPECT_EQ(settings.texts["TransImportStr0"], folder);
}

// Runs only where the machine has a sound device: a half-second file plays in real time and the
// buttons come back by themselves.
TEST_F(QtTransfer, ShortFilePlaysToItsEndOnTheSoundDevice) {
    if (QMediaDevices::defaultAudioOutput().isNull()) GTEST_SKIP() << "no sound device";
    const std::string in = folder_ + "/in";
    std::filesystem::create_directory(in);
    writeSilence(in + "/half.wav", 24000);
    ImportProfile settings;
    settings.texts["TransImportStr"] = in;
    deckqt::CMainFrame frame(settings);
    frame.start();
    answerBoxesWithOk();
    const std::vector<QString>& texts = boxTexts_;
    auto* list = frame.findChild<QListWidget*>();
    ASSERT_EQ(list->count(), 1);
    list->item(0)->setSelected(true);
    QPushButton* play = playButton(frame);
    ASSERT_NE(play, nullptr);
    play->click();
    ASSERT_TRUE(texts.empty()) << texts.front().toStdString();
    ASSERT_TRUE(frame.view().deck().transfer().isBusy());
    QElapsedTimer clock;
    clock.start();
    while (frame.view().deck().transfer().isBusy() && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(frame.view().deck().transfer().isBusy());
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_TRUE(play->isEnabled());
    frame.close();
}

// Runs the window's events until the condition holds or five seconds passed.
template <class Condition>
bool waitFor(Condition condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 50);
    return condition();
}

TEST_F(QtTransfer, TheExportListShowsTheOverviewAndSelectsTheTracksWithAudio) {
    ExportProfile settings;
    deckqt::CMainFrame frame(settings);
    frame.start();
    auto* list = frame.findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    QPushButton* withAudio = withText<QPushButton>(frame, "Select tracks with audio");
    ASSERT_NE(withAudio, nullptr);
    // Built between the window's events: the window answers while it runs.
    ASSERT_TRUE(waitFor([&] { return withAudio->isEnabled(); }));
    constexpr int kNote = Qt::UserRole + 1;
    EXPECT_EQ(list->item(1)->data(kNote).toString(), QString::fromUtf8("\u2014 silent"));
    EXPECT_TRUE(list->item(0)->data(kNote).toString().endsWith(QStringLiteral(" dBFS")));
    list->item(1)->setSelected(true);
    withAudio->click();
    EXPECT_TRUE(list->item(0)->isSelected());
    EXPECT_FALSE(list->item(1)->isSelected());
    EXPECT_TRUE(withText<QPushButton>(frame, "Export")->isEnabled());
    frame.close();
}

TEST_F(QtTransfer, AFileDroppedOnTheImportListImportsFromItsFolder) {
    const std::string folder = folder_ + "/dropped";
    std::filesystem::create_directory(folder);
    writeSilence(folder + "/Track02.wav", 2000);
    ImportProfile settings;
    deckqt::CMainFrame frame(settings);
    frame.start();
    deckqt::setMessageBoxAnswerer([this](const QString& text, const ExtMessageBoxLayout&) {
        boxTexts_.push_back(text);
        return idr::kYes;
    });
    auto* list = frame.findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder + "/Track02.wav"))});
    const QPoint at = list->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    // The import runs once the drop is over; it shows its figures when done.
    ASSERT_TRUE(waitFor([&] {
        for (QLabel* label : frame.findChildren<QLabel*>())
            if (label->text().endsWith(QStringLiteral(" Mbs")) && label->text() != QStringLiteral("0 Mbs"))
                return true;
        return false;
    }));
    QComboBox* field = nullptr;
    for (QComboBox* combo : frame.findChildren<QComboBox*>())
        if (combo->isEditable()) field = combo;
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->currentText().toStdString(), folder);
    frame.close();
}

}  // namespace
}  // namespace decktest
