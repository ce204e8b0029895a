// names.h - the one rule that normalises short and extended names of drives, projects and songs.
#pragma once

#include <cstddef>

namespace vxfserver {

constexpr size_t kShortNameWidth = 10;
constexpr size_t kExtNameWidth = 64;

// Writes the normalised form of `src` into `dst` (width + 1 bytes; `dst` may
// be `src`). A width of 10 or less gives the short form: letters and digits,
// everything else a space, padded with spaces to exactly `width`. A wider one
// gives the extended form: printable characters other than \ / : * ? " < > |,
// everything else a space, trailing spaces dropped, NUL padded. A null source
// counts as an empty text.
void normalizeName(char* dst, const char* src, size_t width);

}  // namespace vxfserver
