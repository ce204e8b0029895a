// names.cpp - the one rule that normalises short and extended names of drives, projects and songs.
#include "core/names.h"

#include <cstring>

namespace vxfserver {

namespace {

constexpr size_t kShortFormLimit = 10;

bool isLetterOrDigit(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool isExtNameCharacter(unsigned char c) {
    return c >= 0x21 && c <= 0x7E && std::strchr("\\/:*?\"<>|", c) == nullptr;
}

}  // namespace

void normalizeName(char* dst, const char* src, size_t width) {
    const bool shortForm = width <= kShortFormLimit;
    // Only the first `width` characters count, so the source is never read further.
    const size_t length = src == nullptr ? 0 : strnlen(src, width);
    for (size_t i = 0; i < width; ++i) {
        if (i >= length) {
            dst[i] = shortForm ? ' ' : '\0';
            continue;
        }
        unsigned char c = static_cast<unsigned char>(src[i]);
        bool keep = shortForm ? isLetterOrDigit(c) : isExtNameCharacter(c);
        dst[i] = keep ? char(c) : ' ';
    }
    dst[width] = '\0';
    if (shortForm) return;
    for (size_t i = length; i > 0 && dst[i - 1] == ' '; --i) dst[i - 1] = '\0';
}

}  // namespace vxfserver
