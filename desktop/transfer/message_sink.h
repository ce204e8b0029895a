// message_sink.h - where the transfer code sends the error messages meant for the user.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace vxf::transfer {

// The desktop shows each text in a message box with the stop icon and an OK button;
// a command-line front end prints it. Lines of a text are separated by "\r\n".
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void showError(const std::string& text) = 0;
};

// Prints each message on one stream (stderr unless told otherwise), after a prefix,
// with its "\r\n" line breaks written as plain newlines.
class StderrMessageSink : public MessageSink {
public:
    explicit StderrMessageSink(std::string prefix = {}, std::FILE* stream = stderr);
    void showError(const std::string& text) override;

private:
    std::string prefix_;
    std::FILE* stream_;
};

// Passes each message on at once, but while held keeps them: work on another thread shows
// nothing itself (a desktop's message box belongs to the window's thread), and its messages are
// shown, in order, when the caller's thread releases them.
class HeldMessages : public MessageSink {
public:
    explicit HeldMessages(MessageSink& shown) : shown_(shown) {}
    void showError(const std::string& text) override;
    void hold();
    void release();

private:
    MessageSink& shown_;
    std::mutex mutex_;
    bool holding_ = false;
    std::vector<std::string> kept_;
};

// Drops every message: for asking whether a file can be read before the user is shown anything.
class SilentSink : public MessageSink {
public:
    void showError(const std::string&) override {}
};

}  // namespace vxf::transfer
