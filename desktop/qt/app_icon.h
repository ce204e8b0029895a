// app_icon.h - vxfDeck's own picture, the one the desktop entry shows, for the windows.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace deckqt {

// The icon drawn from the program's SVG at the usual sizes.
QIcon applicationIcon();
// The same picture, square, at a given size in device-independent pixels and the device's pixel ratio.
QPixmap applicationPicture(int size, qreal devicePixelRatio);

}  // namespace deckqt
