// safe_names.cpp - names from a drive made into file and folder names every common file system takes.
#include "safe_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace vxf::transfer {

namespace {

// Room for the position before it and "-TrackNN.aiff" after it within the 255 bytes most file
// systems allow.
constexpr size_t kMaxNameBytes = 150;

bool forbidden(unsigned char c) { return c < 0x20 || c == 0x7f || std::strchr("/\\:*?\"<>|", c) != nullptr; }

// The length of the UTF-8 character starting at `i`, or 0 when the bytes there are not one.
size_t utf8Length(const std::string& text, size_t i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
    }
    return length;
}

std::string replaceUnsafe(const std::string& name) {
    std::string out;
    for (size_t i = 0; i < name.size();) {
        const size_t length = utf8Length(name, i);
        if (length == 0 || (length == 1 && forbidden(static_cast<unsigned char>(name[i])))) {
            out += '_';
            i += std::max<size_t>(length, 1);
        } else {
            out.append(name, i, length);
            i += length;
        }
    }
    return out;
}

std::string trimEnds(std::string name) {
    while (!name.empty() && (name.back() == ' ' || name.back() == '.')) name.pop_back();
    const size_t first = name.find_first_not_of(' ');
    return first == std::string::npos ? "" : name.substr(first);
}

std::string cutToCharacters(const std::string& name, size_t maxBytes) {
    size_t end = 0;
    while (end < name.size()) {
        const size_t length = std::max<size_t>(utf8Length(name, end), 1);
        if (end + length > maxBytes) break;
        end += length;
    }
    return name.substr(0, end);
}

bool reservedOnWindows(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(), [](unsigned char c) { return std::toupper(c); });
    static const std::array<const char*, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
    if (std::find_if(kDevices.begin(), kDevices.end(), [&](const char* d) { return base == d; }) != kDevices.end()) {
        return true;
    }
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
           base[3] <= '9';
}

}  // namespace

std::string safeFileName(const std::string& name, const std::string& fallback) {
    std::string safe = trimEnds(cutToCharacters(trimEnds(replaceUnsafe(name)), kMaxNameBytes));
    if (safe.empty()) return fallback;
    if (!reservedOnWindows(safe)) return safe;
    const size_t dot = std::min(safe.find('.'), safe.size());
    return safe.substr(0, dot) + "_" + safe.substr(dot);
}

std::string numberedFolderName(unsigned position, const std::string& name) {
    char number[16];
    std::snprintf(number, sizeof number, "%02u", position);
    const std::string safe = safeFileName(name, "");
    return safe.empty() ? number : std::string(number) + " " + safe;
}

}  // namespace vxf::transfer
