// server_window.h - the window the server posts its drive notifications to, queued to the GUI thread.
#pragma once

#include <QEvent>

#include <cstdint>

class QObject;

namespace deck {
class ServerClient;
}  // namespace deck

namespace deckqt {

// A window message as it arrives on the GUI thread.
class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(uint32_t message, uintptr_t wparam, intptr_t lparam);
    static QEvent::Type eventType();

    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};

// Registers `target` with the server; its messages arrive as WindowMessageEvent. Null
// unregisters: after that no message reaches the former target.
void registerServerWindow(deck::ServerClient& client, QObject* target);

}  // namespace deckqt
