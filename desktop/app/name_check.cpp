// name_check.cpp - the rules every rename and create dialog applies to a typed name.
#include "name_check.h"

#include "text_format.h"

#include <cstring>

namespace deck {

namespace {

constexpr const char* kForbiddenExtended = "\\/:*?\"<>|";

bool isShortNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ';
}

std::string forbiddenCharactersMessage() {
    std::string message = "Names cannot include the following characters:\n\t";
    for (const char* c = kForbiddenExtended; *c != '\0'; ++c) {
        message += ' ';
        message += *c;
    }
    return message;
}

}  // namespace

int nameLimit(bool extendedNames) { return extendedNames ? 64 : 10; }

std::string nameCheckMessage(const std::string& name, bool extendedNames) {
    // The field stops typing at the limit; text put there otherwise is refused here.
    const int limit = nameLimit(extendedNames);
    if (name.size() > static_cast<size_t>(limit)) return format("Please enter no more than %d characters.", limit);
    for (char c : name) {
        if (extendedNames) {
            if (std::strchr(kForbiddenExtended, c) != nullptr && c != '\0') return forbiddenCharactersMessage();
        } else if (!isShortNameCharacter(c)) {
            return "Names can only include alpha and numeric characters in VXF v1.00";
        }
    }
    return {};
}

}  // namespace deck
