// single_instance.h - one running program per user: a second start wakes the first and ends.
#pragma once

#include <QLocalServer>
#include <QString>

#include <functional>

namespace deckqt {

class SingleInstance {
public:
    // The name follows the window title, per user.
    explicit SingleInstance(const QString& title);

    // True when another instance runs; it has been asked to come to the front.
    bool wakeRunningInstance();
    // Listens for later starts; `activate` runs on each.
    void listen(std::function<void()> activate);

private:
    QString name_;
    QLocalServer server_;
    std::function<void()> activate_;
};

}  // namespace deckqt
