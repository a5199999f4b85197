// The rules of the folder tree and file list that are not the shell's: which folders the
// tree leaves out, which files the mask lets through, and how sizes and dates are shown.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marlisk::shell {

// The control panel, web-folder and scheduled-task entries the tree leaves out, by these
// exact spellings only; an empty name is left out too.
bool isSkippedFolderName(std::string_view name);

// Whether the file list shows an item. Folders always pass, and everything passes an empty
// mask. Otherwise the extension of the parsing name (from the last "." of its file name, dot
// included, upper-cased) is tried against each entry: ".*" takes anything; an entry takes an extension not
// longer than itself whose every character matches the entry's ("?" matches any). Characters
// of the entry past the extension's length are not looked at, so ".hg" passes ".hgl" and a
// name without extension passes every entry.
bool maskAccepts(const std::vector<std::string>& mask, std::string_view parsingName, bool isFolder);

// The "Size" column: kilobytes, rounded up by one, right-aligned in eight: "       1KB" for an
// empty file, "       2KB" for 1024 bytes. Sizes of 2 GiB and more show their true value.
std::string sizeText(uint64_t bytes);

// The "UpDate" column: "yyyy/mm/dd hh:nn" (local time).
std::string dateText(int year, int month, int day, int hour, int minute);

}  // namespace marlisk::shell
