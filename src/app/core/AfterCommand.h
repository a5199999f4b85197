// The command a shop runs after each input standby is done with ("MarliskAuto.ini"'s
// AfterCommand): %INPUT%, %OUTPUT%, %RESULT% and %FOLDER% replaced.
#pragma once

#include <string>

namespace marlisk {

// What %RESULT% says.
inline constexpr char kAfterCommandConverted[] = "変換済み";
inline constexpr char kAfterCommandError[] = "エラー";

// `command` with its placeholders replaced. A value goes in quoted when it holds what the
// command interpreter would split or read (a space, & ( ) ^ and the like), unless the command
// already quotes the placeholder; a folder loses its trailing "\" (before a closing quote it
// would escape it).
std::string afterCommandLine(const std::string& command, const std::string& input, const std::string& output,
                             const std::string& result, const std::string& folder);

}  // namespace marlisk
