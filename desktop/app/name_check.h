// name_check.h - the rules every rename and create dialog applies to a typed name.
#pragma once

#include <string>

namespace deck {

// Longest name a field takes: 64 characters on "1.10 " drives, 10 on the others.
int nameLimit(bool extendedNames);

// The error text for a name that breaks the rules, empty when the name passes.
// An empty name passes.
std::string nameCheckMessage(const std::string& name, bool extendedNames);

}  // namespace deck
