// The parameter file reader on any bytes: it must read what it can, and whatever it read
// must save and read back the same.
#include <cstdint>
#include <cstdlib>

#include "settings/core/ParameterFile.h"
#include "support/IconvCodec.h"
#include "support/MemoryFileSystem.h"

using namespace marlisk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const test::IconvCodec codec;
  test::MemoryFileSystem fs;
  const std::string path = "C:\\work\\MarliskAuto.par";
  fs.files[path] = std::string(reinterpret_cast<const char*>(data), size);
  auto ignore = [](const std::string&) {};
  Settings first;
  first.ParameterFilePath = path;
  if (ParameterFile(fs, codec, ignore).load(first) != LoadResult::Loaded) return 0;
  if (!ParameterFile(fs, codec, ignore).save(first)) return 0;  // refused as a whole: the old file stays
  Settings second;
  second.ParameterFilePath = path;
  if (ParameterFile(fs, codec, ignore).load(second) != LoadResult::Loaded) std::abort();
  second.LastIoStatus = first.LastIoStatus;
  if (!(first == second)) std::abort();
  return 0;
}
