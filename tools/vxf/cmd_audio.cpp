// cmd_audio.cpp - vxf audio info: an audio file's rate, word length and sample count, as a transfer reads them.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "audio_file.h"
#include "cli.h"

namespace {

using namespace vxf::cli;
using vxf::transfer::AudioFile;
using vxf::transfer::AudioFormat;

struct FormatName {
    const char* option;
    const char* label;
    AudioFormat format;
};
constexpr FormatName kFormats[] = {
    {"wav", "WAV", AudioFormat::Wav},
    {"aiff", "AIFF", AudioFormat::Aiff},
    {"sd2", "SD2", AudioFormat::Sd2},
    {"dig", "DIG/SD", AudioFormat::DigSd},
};

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::optional<AudioFormat> formatByOption(const std::string& name) {
    for (const FormatName& f : kFormats) {
        if (lowerCase(name) == f.option) return f.format;
    }
    return std::nullopt;
}

// The extensions the transfer tab lists for each format.
std::optional<AudioFormat> formatByExtension(const std::string& path) {
    const std::string extension = lowerCase(std::filesystem::path(path).extension().string());
    if (extension == ".wav") return AudioFormat::Wav;
    if (extension == ".aif" || extension == ".aiff") return AudioFormat::Aiff;
    if (extension == ".sd2") return AudioFormat::Sd2;
    if (extension == ".sd" || extension == ".dig") return AudioFormat::DigSd;
    return std::nullopt;
}

const char* formatLabel(AudioFormat format) {
    for (const FormatName& f : kFormats) {
        if (f.format == format) return f.label;
    }
    return "?";
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

AudioFormat chooseFormat(const Args& args, const std::string& path) {
    if (auto name = args.value("format")) {
        if (auto format = formatByOption(*name)) return *format;
        throw UsageError{"--format takes wav, aiff, sd2 or dig"};
    }
    if (auto format = formatByExtension(path)) return *format;
    throw UsageError{"the extension does not tell the format: give --format wav|aiff|sd2|dig"};
}

int runAudioInfo(const Args& args) {
    if (args.positional().size() != 1) throw UsageError{"give one audio file"};
    const std::string& path = args.positional()[0];
    const AudioFormat format = chooseFormat(args, path);

    vxf::transfer::StderrMessageSink sink("vxf: ");
    AudioFile file(sink);
    uint32_t rate = 0;
    uint16_t bits = 0;
    uint32_t samples = 0;
    if (!file.OpenForRead(format, path, rate, bits, samples)) return kExitFailure;
    file.Close();

    if (args.has("json")) {
        std::printf("{\"path\": %s, \"format\": \"%s\", \"sampleRate\": %u, \"wordLength\": %u, \"sampleCount\": %u}\n",
                    jsonString(path).c_str(), formatLabel(format), rate, unsigned{bits}, samples);
        return kExitOk;
    }
    std::printf("%s\n", path.c_str());
    std::printf("  format       %s\n", formatLabel(format));
    std::printf("  sample rate  %u Hz%s\n", rate, rate == 0 ? " (not one of 44100, 48000, 88200, 96000)" : "");
    std::printf("  word length  %u bits\n", unsigned{bits});
    std::printf("  samples      %u", samples);
    if (rate != 0) std::printf(" (%.3f s)", static_cast<double>(samples) / rate);
    std::printf("\n");
    return kExitOk;
}

const Registrar registerAudioInfo({
    "audio info",
    "FILE [--format wav|aiff|sd2|dig] [--json]",
    "show an audio file's sample rate, word length and sample count (or why it cannot be imported)",
    {"format"},
    {"json"},
    runAudioInfo,
});

}  // namespace
