// app_icon.cpp - vxfDeck's own picture, the one the desktop entry shows, for the windows.
#include "app_icon.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

// The resources live in a static library: registered by hand, outside any namespace.
static void registerResources() { Q_INIT_RESOURCE(vxfdeck); }

namespace deckqt {

namespace {
const QString kIconPath = QStringLiteral(":/vxfdeck/icon.svg");
}  // namespace

QPixmap applicationPicture(int size, qreal devicePixelRatio) {
    registerResources();
    const int pixels = std::max(1, static_cast<int>(std::lround(size * devicePixelRatio)));
    QPixmap picture(pixels, pixels);
    picture.fill(Qt::transparent);
    QSvgRenderer renderer(kIconPath);
    if (renderer.isValid()) {
        QPainter painter(&picture);
        renderer.render(&painter);
    }
    picture.setDevicePixelRatio(devicePixelRatio);
    return picture;
}

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) icon.addPixmap(applicationPicture(size, 1.0));
    return icon;
}

}  // namespace deckqt
