// device_change_watch.cpp - the platform's word that drives came or went: the disk enumeration file changed.
#include "device_change_watch.h"

#include "disk_enumeration.h"

#include <QFileInfo>

namespace deckqt {

DeviceChangeWatch::DeviceChangeWatch(QObject* parent, std::function<void()> changed)
    : QObject(parent), changed_(std::move(changed)) {
    file_ = QString::fromStdString(vxf1394::diskenum::enumerationFilePath());
    folder_ = QFileInfo(file_).absolutePath();
    settle_.setSingleShot(true);
    settle_.setInterval(250);
    connect(&settle_, &QTimer::timeout, this, [this] { changed_(); });
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] {
        rewatch();
        settle_.start();
    });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        rewatch();
        settle_.start();
    });
    rewatch();
}

// A file replaced by a rename is a new file: watch it again whenever the folder changes.
void DeviceChangeWatch::rewatch() {
    if (file_.isEmpty()) return;
    if (!watcher_.directories().contains(folder_) && QFileInfo::exists(folder_)) watcher_.addPath(folder_);
    if (!watcher_.files().contains(file_) && QFileInfo::exists(file_)) watcher_.addPath(file_);
}

}  // namespace deckqt
