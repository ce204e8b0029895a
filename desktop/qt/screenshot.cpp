// screenshot.cpp - saves a picture of the window once it shows a song, then ends the program.
#include "screenshot.h"

#include "ids.h"
#include "main_frame.h"
#include "transfer_ids.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

namespace deckqt {

void saveWhenSongShows(CMainFrame& frame, const QString& path) {
    auto* timer = new QTimer(&frame);
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, &frame, [&frame, path, timer, clock] {
        CHdView& view = frame.view();
        const bool songShown = view.selection(deck::ctl::kSongName) >= 0 && !view.text(deck::ctl::kSongLength).empty();
        // The picture shows the tracks' overview too, once it is built.
        const bool overviewShown = view.deck().form().isEnabled(deck::ctl::kSelectTracksWithAudio);
        const bool late = clock->elapsed() > 30000;
        if (!(songShown && overviewShown) && !late) return;
        timer->stop();
        delete clock;
        QApplication::processEvents();
        const bool saved = frame.grab().save(path, "PNG");
        if (!songShown) std::fprintf(stderr, "vxfdeck: no song showed within 30 s\n");
        if (!saved) std::fprintf(stderr, "vxfdeck: cannot write %s\n", path.toLocal8Bit().constData());
        QApplication::exit(songShown && saved ? 0 : 1);
    });
    timer->start(200);
}

}  // namespace deckqt
