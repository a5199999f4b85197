// The viewer's command-file line for any input path, output folder and type.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

#include "app/core/ViewerCommandLine.h"
#include "core/Path.h"

using namespace marlisk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const OutputTab tab = in.ConsumeBool() ? OutputTab::Output1 : OutputTab::Output2;
  const int type = in.ConsumeIntegralInRange<int>(-2, 24);
  const std::string folder = in.ConsumeRandomLengthString(30);
  const std::string input = in.ConsumeRemainingBytesAsString();
  const std::optional<std::string> line = buildViewerCommandLine(tab, type, folder, input);
  const int items = tab == OutputTab::Output1 ? 22 : 8;
  if (line.has_value() != (type >= 0 && type < items)) std::abort();
  if (!line) return 0;
  // Switch, blank, the input exactly as given in quotes, blank, the quoted output.
  const std::string quotedInput = " \"" + input + "\" \"";
  const size_t at = line->find(quotedInput);
  if (at == std::string::npos || line->front() != '/' || line->back() != '"') std::abort();
  const std::string output = line->substr(at + quotedInput.size(), line->size() - at - quotedInput.size() - 1);
  // The output starts with the folder, as a plain prefix, and carries no folder of the input.
  if (output.compare(0, folder.size(), folder) != 0) std::abort();
  const std::string rest = output.substr(folder.size());
  if (rest.find_first_of("\\:") != std::string::npos && fileNamePart(input).find_first_of("\\:") == std::string::npos)
    std::abort();
  return 0;
}
