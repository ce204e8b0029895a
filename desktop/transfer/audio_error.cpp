// audio_error.cpp - the audio file error codes and their messages.
#include "audio_error.h"

namespace vxf::transfer {

namespace {
const char* errorText(int code) {
    switch (code) {
        case AUDIO_ERR_OPEN: return "Failed to open file.";
        case AUDIO_ERR_READ: return "Failed to read file.";
        case AUDIO_ERR_WRITE: return "Failed to write file.";
        case AUDIO_ERR_INVALID: return "Invalid file format.";
        case AUDIO_ERR_UNSUPPORTED: return "Unsupport file format.";
        case AUDIO_ERR_MULTICHANNEL: return "Unsupport multiple-channel format.";
        default: return nullptr;
    }
}
}  // namespace

std::string audioErrorMessage(int code, const std::string& path) {
    const char* text = errorText(code);
    if (!text) return {};
    return path + "\r\n" + text;
}

}  // namespace vxf::transfer
