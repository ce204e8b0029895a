// transfer_paths.cpp - directories, file names and shortened paths of exports and imports.
#include "transfer_paths.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace vxf::transfer {

namespace {

constexpr const char* kEllipsis = "...";
constexpr size_t kEllipsisChars = 3;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The first `chars` bytes of `text`, moved back to a character boundary.
std::string headOf(const std::string& text, size_t chars) {
    if (chars >= text.size()) return text;
    while (chars > 0 && isUtf8Continuation(text[chars])) --chars;
    return text.substr(0, chars);
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

}  // namespace

std::string normaliseDirectory(const std::string& typed) {
    size_t first = 0;
    size_t last = typed.size();
    while (first < last && isBlank(typed[first])) ++first;
    while (last > first && isBlank(typed[last - 1])) --last;
    while (last > first && typed[last - 1] == '/') --last;
    return typed.substr(first, last - first) + "/";
}

bool isExistingDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

std::string trimSpaces(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string compactPath(const std::string& path, size_t maxChars) {
    if (path.size() <= maxChars) return path;
    if (maxChars <= kEllipsisChars) return headOf(kEllipsis, maxChars);
    const size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash);
    if (name.size() + kEllipsisChars <= maxChars) {
        return headOf(path, maxChars - kEllipsisChars - name.size()) + kEllipsis + name;
    }
    // Not even the name fits: its beginning, then the ellipsis.
    const std::string bare = slash == std::string::npos ? name : name.substr(1);
    return headOf(bare, maxChars - kEllipsisChars) + kEllipsis;
}

std::optional<AudioFormat> formatOfFileName(const std::string& name) {
    const std::string extension = lowerCase(std::filesystem::path(name).extension().string());
    if (extension == ".wav") return AudioFormat::Wav;
    if (extension == ".aif" || extension == ".aiff") return AudioFormat::Aiff;
    if (extension == ".sd2") return AudioFormat::Sd2;
    if (extension == ".sd" || extension == ".dig") return AudioFormat::DigSd;
    return std::nullopt;
}

std::string trackLabel(uint16_t track) {
    char text[16];
    std::snprintf(text, sizeof text, "Track %02u", static_cast<unsigned>(track + 1));
    return text;
}

std::string exportFileName(AudioFormat format, uint16_t track) {
    const char* pattern = "Track%02u.wav";
    switch (format) {
        case AudioFormat::Wav: break;
        case AudioFormat::Aiff: pattern = "Track%02u.aif"; break;
        case AudioFormat::Sd2: pattern = "Track%02u.sd2"; break;
        case AudioFormat::DigSd: pattern = "Track%02u.dig"; break;
    }
    char name[32];
    std::snprintf(name, sizeof name, pattern, static_cast<unsigned>(track));
    return name;
}

std::string exportPath(const std::string& directory, const std::string& songName, AudioFormat format,
                       uint16_t track) {
    std::string name = trimSpaces(songName);
    std::replace(name.begin(), name.end(), '/', '_');
    const std::string file = exportFileName(format, track);
    return name.empty() ? directory + file : directory + name + "-" + file;
}

}  // namespace vxf::transfer
