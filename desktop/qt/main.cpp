// main.cpp - vxfDeck's start: one instance, the settings store, the main window.
#include "app_icon.h"
#include "ids.h"
#include "main_frame.h"
#include "qt_profile.h"
#include "screenshot.h"
#include "single_instance.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <cstring>

#include "vxf_version.h"

int main(int argc, char** argv) {
    // Answered before any window system is asked for: works on a machine without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("vxfdeck %s\n", VXF_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(deck::kCompanyName));
    QApplication::setApplicationName(QString::fromLatin1(deck::kAppTitle));
    // The desktop entry's name lets the desktop show its icon for the window too.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vxfdeck.vxfdeck"));
    QApplication::setWindowIcon(deckqt::applicationIcon());

    const QStringList arguments = QApplication::arguments();
    QString screenshot;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--screenshot") && i + 1 < arguments.size()) {
            screenshot = arguments[++i];
        } else if (arguments[i] == QStringLiteral("--help")) {
            std::printf("usage: vxfdeck [--screenshot FILE.png] [--version]\n"
                        "  --screenshot FILE.png  save a picture of the window once it shows a song, then end\n"
                        "  --version              show the version and end\n");
            return 0;
        } else {
            std::fprintf(stderr, "vxfdeck: unknown argument %s\n", arguments[i].toLocal8Bit().constData());
            return 2;
        }
    }

    deckqt::SingleInstance instance(QString::fromLatin1(deck::kAppTitle));
    if (screenshot.isEmpty() && instance.wakeRunningInstance()) return 0;

    deckqt::QtProfile profile;
    deckqt::CMainFrame frame(profile);
    if (screenshot.isEmpty()) instance.listen([&frame] { frame.bringToFront(); });
    frame.start();
    if (!screenshot.isEmpty()) deckqt::saveWhenSongShows(frame, screenshot);
    return QApplication::exec();
}
