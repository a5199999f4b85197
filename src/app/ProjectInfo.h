// Where the project can be reached; shown in the version dialog.
#pragma once

namespace marlisk {

inline constexpr const char* kWebAddress = "https://brennamor.example/marliskauto/";
inline constexpr const char* kMailAddress = "support@brennamor.example";

}  // namespace marlisk
