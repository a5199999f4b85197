#pragma once

#include <functional>
#include <string>

namespace marlisk {

// Where the core sends a message for the user; the program shows it in its warning box.
using WarningSink = std::function<void(const std::string&)>;

}  // namespace marlisk
