// Where the project can be reached; shown in the version dialog.
#pragma once

namespace marlisk {

// Follows the version text in the main window's caption, and stands in the version dialog.
inline constexpr const char* kNoticeText = "  (C) Brennamor";
inline constexpr const char* kWebAddress = "https://brennamor.example/marliskauto/";
inline constexpr const char* kMailAddress = "support@brennamor.example";

}  // namespace marlisk
