// text_format.h - printf-style formatting into std::string and blank trimming.
#pragma once

#include <string>

namespace deck {

// Formats like snprintf; never truncates.
std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// Removes leading and trailing blanks (spaces and tabs, as the list lines carry them).
std::string trimBlanks(const std::string& text);

}  // namespace deck
