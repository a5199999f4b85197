// The batch list file and the rules of the editor that builds it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/AnsiCodec.h"

namespace marlisk {

// The file: one full path a line, exactly as listed, in the ANSI code page, CR LF after every
// line (the last too), the list's order, duplicates kept; an empty list is a file of 0 bytes.
// Nothing when a path has a character the code page cannot hold (the editor refuses such names
// when they are added, so the file never holds a mangled path).
std::optional<std::string> batchListBytes(const std::vector<std::string>& paths, const AnsiCodec& codec);

// The mask items of a file-type filter entry such as ".hgl;.plt": each ";" ends an item (an
// empty one too, as in ";;"); what follows the last ";" is an item only when it is not empty.
std::vector<std::string> filterMaskItems(std::string_view maskText);

// The file list's view for the style box's item: 0 details, 2 small icons, 3 large icons, and
// the list for 1 ("一覧") or no choice.
enum class FileViewStyle { Report, List, SmallIcons, LargeIcons };
FileViewStyle fileViewStyleFor(int item);

// Where the tree starts when the editor opens: the batch list's folder, or, without one, the
// working folder's "Data" folder.
std::string editorStartFolder(std::string_view batchFileName, std::string_view workFolder);

// Whether a folder just selected in the tree must be selected again once the tree has settled:
// a path under the user's or the common documents folder that names "Documents" (the shell
// moves such a selection to the library when it is first made).
bool needsReselection(std::string_view selected, std::string_view personalFolder, std::string_view commonDocuments);

// Whether `bytes`, the start of a batch list, can be a list of names: no NUL byte, and
// nothing the code page cannot read (an exe chosen by mistake is neither). A character cut
// by the end of `bytes` after its last line break does not count.
bool isTextList(std::string_view bytes, const AnsiCodec& codec, bool whole);

std::string cannotCreateBatchListMessage(std::string_view fileName);
// A name the code page cannot hold, refused when it would be added.
std::string unlistableNameMessage(std::string_view path);

}  // namespace marlisk
