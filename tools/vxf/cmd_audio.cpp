// cmd_audio.cpp - vxf audio info: an audio file's rate, word length and sample count, as a transfer reads them.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "audio_file.h"
#include "audio_format_option.h"
#include "cli.h"

namespace {

using namespace vxf::cli;
using vxf::transfer::AudioFile;
using vxf::transfer::AudioFormat;

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

int runAudioInfo(const Args& args) {
    if (args.positional().size() != 1) throw UsageError{"give one audio file"};
    const std::string& path = args.positional()[0];
    const AudioFormat format = formatOfFile(args, path);

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
