// audio_format_option.h - the --format option of the audio commands, and the format a file's extension names.
#pragma once

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

#include "audio_format.h"
#include "cli.h"
#include "transfer_paths.h"

namespace vxf::cli {

struct AudioFormatName {
    const char* option;
    const char* label;
    transfer::AudioFormat format;
};

inline constexpr AudioFormatName kAudioFormatNames[] = {
    {"wav", "WAV", transfer::AudioFormat::Wav},
    {"aiff", "AIFF", transfer::AudioFormat::Aiff},
    {"sd2", "SD2", transfer::AudioFormat::Sd2},
    {"dig", "DIG/SD", transfer::AudioFormat::DigSd},
};

inline constexpr const char* kFormatChoices = "wav, aiff, sd2 or dig";

inline std::optional<transfer::AudioFormat> formatByOption(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const AudioFormatName& f : kAudioFormatNames) {
        if (name == f.option) return f.format;
    }
    return std::nullopt;
}

inline const char* formatLabel(transfer::AudioFormat format) {
    for (const AudioFormatName& f : kAudioFormatNames) {
        if (f.format == format) return f.label;
    }
    return "?";
}

// The --format option when given; a wrong one is a usage error.
inline std::optional<transfer::AudioFormat> formatOption(const Args& args) {
    const std::optional<std::string> name = args.value("format");
    if (!name) return std::nullopt;
    if (auto format = formatByOption(*name)) return format;
    throw UsageError{std::string("--format takes ") + kFormatChoices};
}

// The --word-length of exported files: 16 or 24, 24 when not given.
inline uint16_t wordLengthOption(const Args& args) {
    const int64_t bits = args.optionalNumber("word-length", 16, 24).value_or(24);
    if (bits != 16 && bits != 24) throw UsageError{"--word-length takes 16 or 24"};
    return static_cast<uint16_t>(bits);
}

// The --format option, else the format the file's extension names; neither is a usage error.
inline transfer::AudioFormat formatOfFile(const Args& args, const std::string& path) {
    if (auto format = formatOption(args)) return *format;
    if (auto format = transfer::formatOfFileName(path)) return *format;
    throw UsageError{path + ": the extension does not tell the format: give --format " + kFormatChoices};
}

}  // namespace vxf::cli
