// Extension lists ("hgl;prn;hpg") and the input file types they define.
#pragma once

#include <string>
#include <string_view>

#include "settings/core/Settings.h"

namespace marlisk {

enum FileType : int {
  kFileTypeUnregistered = 0,
  kFileTypeHpgl = 1,
  kFileTypeImage = 2,
  kFileTypePdf = 3,
  kFileTypeEmf = 4,
  kFileTypeDxf = 5,
  kFileTypeDwg = 6,
  kFileTypeIges = 7,
  kFileTypeGerber = 8,
  kFileTypeSxf = 9,
  kFileTypeComment = 10,
};

// Whether `extension` (without its dot, "" for a name without one) is an item of `list`.
// Letter case does not matter; an empty item, as in "hgl;;hpg", "hgl;" or an empty list,
// stands for names without an extension. Blanks are not trimmed: the settings dialog
// removes them when the user confirms.
bool extensionListContains(std::string_view list, std::string_view extension);

// The type of an input file from its name: the first list, in the order of FileType, that
// holds its extension; "cmt" files are comments; anything else is unregistered.
FileType fileTypeOf(const Settings& settings, std::string_view fileName);

// The warning for a file of no registered type, given its name without the folder.
std::string unregisteredFileTypeMessage(std::string_view fileName);

// The filter of the batch list editor's file-type box: pairs of a caption and a mask text,
// separated by "|", such as "HPGL(*.hgl;*.plt)|.hgl;.plt|...". An empty item of a list
// shows as "*." and masks as ".", which lets through exactly the names without extension.
std::string fileTypeFilter(const Settings& settings);

// What the settings dialog stores for a typed extension list: the text without its
// blanks (code 32); separators, empty items and letter case stay.
std::string normalizeExtensionList(std::string_view text);

}  // namespace marlisk
