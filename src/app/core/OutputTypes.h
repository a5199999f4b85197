// The output types of the two tabs: the item shown, the viewer's switch, the output extension.
#pragma once

#include <span>

#include "settings/core/Settings.h"

namespace marlisk {

struct OutputType {
  const char* item;
  const char* viewerSwitch;
  const char* extension;
};

enum class OutputTab { Output1 = 0, Output2 = 1 };

// Output 1 ("出力１"): 22 types, from any input. Output 2 ("出力２"): 8 types, PDF input only,
// all through the viewer's "/f".
std::span<const OutputType> outputTypes(OutputTab tab);

// The output type chosen for a tab (an index into its list; a damaged file can hold any byte).
inline int chosenOutputType(const Settings& s, OutputTab tab) {
  return tab == OutputTab::Output1 ? s.OutTypeIndex : s.OutType2Index;
}

// The type at `index` of the tab's list; none for an index a damaged file gave.
inline const OutputType* outputTypeAt(OutputTab tab, int index) {
  const std::span<const OutputType> types = outputTypes(tab);
  return index >= 0 && static_cast<size_t>(index) < types.size() ? &types[static_cast<size_t>(index)] : nullptr;
}

}  // namespace marlisk
