// safe_names.h - names from a drive made into file and folder names every common file system takes.
#pragma once

#include <string>

namespace vxf::transfer {

// The same name always gives the same result. Characters that a file system forbids or a shell
// or archive tool stumbles on (/ \ : * ? " < > | and control characters) and bytes that are not
// UTF-8 become '_'; blanks and dots are taken off the end and blanks off the start; a name a
// Windows device owns (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension) gets a '_'
// after its first part; the name is cut to 150 bytes on a character boundary. An empty result
// is `fallback`.
std::string safeFileName(const std::string& name, const std::string& fallback);

// "NN Name" (NN the 1-based position, two digits at least), or "NN" for a blank name.
std::string numberedFolderName(unsigned position, const std::string& name);

}  // namespace vxf::transfer
