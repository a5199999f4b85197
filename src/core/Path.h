// Path splitting as the program has always done it: a name ends at the last "\" or ":".
// The core keeps paths in UTF-8, where "\" can never be the second byte of a character,
// so these plain byte scans are safe for Japanese names too.
#pragma once

#include <string>
#include <string_view>

namespace marlisk {

// The part after the last "\" or ":" (the whole path when it has neither).
std::string_view fileNamePart(std::string_view path);

// Everything up to and including the last "\" or ":" ("" when there is neither).
std::string_view folderPart(std::string_view path);

// The folder that holds `folder` (with or without its trailing ""), without a trailing ""
// except at a root such as "C:"; "" above a root.
std::string parentFolder(std::string_view folder);

// The extension of the file-name part, from its last "." on, dot included; "" when the
// name has no dot. A leading dot counts: ".profile" has the extension ".profile".
std::string_view extensionPart(std::string_view path);

// Lower-cases A-Z only; other bytes (and so every byte of a multi-byte character) stay.
std::string asciiLower(std::string_view text);

// Compares without regard to the case of A-Z.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace marlisk
