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

}  // namespace vxf::transfer
