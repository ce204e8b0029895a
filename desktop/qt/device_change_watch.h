// device_change_watch.h - the platform's word that drives came or went: the disk enumeration file changed.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace deckqt {

// Watches the enumeration file and its folder; a burst of changes becomes one call,
// a quarter of a second after the last of them.
class DeviceChangeWatch : public QObject {
public:
    DeviceChangeWatch(QObject* parent, std::function<void()> changed);

private:
    void rewatch();

    QString file_;
    QString folder_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    std::function<void()> changed_;
};

}  // namespace deckqt
