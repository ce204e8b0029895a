// message_sink.cpp - where the transfer code sends the error messages meant for the user.
#include "message_sink.h"

#include <utility>

namespace vxf::transfer {

StderrMessageSink::StderrMessageSink(std::string prefix, std::FILE* stream)
    : prefix_(std::move(prefix)), stream_(stream) {}

void StderrMessageSink::showError(const std::string& text) {
    std::string lines;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        lines += text[i];
    }
    std::fprintf(stream_, "%s%s\n", prefix_.c_str(), lines.c_str());
    std::fflush(stream_);
}

void HeldMessages::showError(const std::string& text) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (holding_) {
            kept_.push_back(text);
            return;
        }
    }
    shown_.showError(text);
}

void HeldMessages::hold() {
    std::lock_guard<std::mutex> guard(mutex_);
    holding_ = true;
}

void HeldMessages::release() {
    std::vector<std::string> kept;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        holding_ = false;
        kept.swap(kept_);
    }
    for (const std::string& text : kept) shown_.showError(text);
}

}  // namespace vxf::transfer
