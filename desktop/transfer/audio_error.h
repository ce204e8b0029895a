// audio_error.h - the audio file error codes and their messages.
#pragma once

#include <string>

namespace vxf::transfer {

enum AudioError : int {
    AUDIO_OK = 0,
    AUDIO_ERR_OPEN = 1,
    AUDIO_ERR_READ = 2,
    AUDIO_ERR_WRITE = 3,
    AUDIO_ERR_INVALID = 4,
    AUDIO_ERR_UNSUPPORTED = 5,
    AUDIO_ERR_MULTICHANNEL = 6,
};

constexpr int kLastAudioError = AUDIO_ERR_MULTICHANNEL;

// The message shown to the user: the path, a line break, then the text of the code.
// An unknown code gives an empty text.
std::string audioErrorMessage(int code, const std::string& path);

}  // namespace vxf::transfer
