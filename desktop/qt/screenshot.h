// screenshot.h - saves a picture of the window once it shows a song, then ends the program.
#pragma once

#include <QString>

namespace deckqt {

class CMainFrame;

// Waits (at most 30 s) until the form shows a song, saves the window as PNG and quits
// with 0; quits with 1 when no song showed or the file could not be written.
void saveWhenSongShows(CMainFrame& frame, const QString& path);

}  // namespace deckqt
