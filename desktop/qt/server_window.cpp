// server_window.cpp - the window the server posts its drive notifications to, queued to the GUI thread.
#include "server_window.h"

#include "server_client.h"
#include "tavovxf.h"

#include <QCoreApplication>
#include <QObject>

#include <mutex>

namespace deckqt {

namespace {

// The server calls post() from its watcher thread. The object lives as long as the
// process, so a post racing with the window's end never touches freed memory.
struct ServerWindow : vxf_window {
    std::mutex lock;
    QObject* target = nullptr;
};

void postToTarget(vxf_window* window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    auto* self = static_cast<ServerWindow*>(window);
    const std::lock_guard<std::mutex> guard(self->lock);
    if (self->target != nullptr)
        QCoreApplication::postEvent(self->target, new WindowMessageEvent(message, wparam, lparam));
}

ServerWindow& serverWindow() {
    static ServerWindow window;
    window.post = postToTarget;
    return window;
}

}  // namespace

WindowMessageEvent::WindowMessageEvent(uint32_t message, uintptr_t wparam, intptr_t lparam)
    : QEvent(eventType()), message(message), wparam(wparam), lparam(lparam) {}

QEvent::Type WindowMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void registerServerWindow(deck::ServerClient& client, QObject* target) {
    ServerWindow& window = serverWindow();
    {
        const std::lock_guard<std::mutex> guard(window.lock);
        window.target = target;
    }
    client.setNotificationWindow(target != nullptr ? &window : nullptr);
}

}  // namespace deckqt
