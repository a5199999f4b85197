// Today's drawing of every plot file the project holds, pinned by a hash of the interpreter's
// drawing model: a change to the interpreter that is meant to keep its behaviour keeps these.
// A change meant to alter drawings writes the table again (MARLISK_PIN_UPDATE=1) and names in
// its commit each file whose line changed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "core/Hpgl.h"
#include "support/DrawingText.h"

namespace refconv {
namespace {

namespace fs = std::filesystem;
const fs::path kSource = MARLISK_SOURCE_DIR;
const fs::path kTable = kSource / "tests/data/hpgl-pins.txt";

std::string hashOf(const std::string& text) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
  return hex;
}

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(HpglPinTest, EveryPlotFileDrawsAsPinned) {
  std::map<std::string, std::string> now;  // path from the source folder -> hash and counts
  for (const char* folder : {"samples", "samples/corpus", "fuzz/corpus/Hpgl"}) {
    for (const auto& entry : fs::directory_iterator(kSource / folder)) {
      // The plot files; the pictures among the samples are another converter's.
      if (!entry.is_regular_file() || entry.path().extension() != ".hgl") continue;
      const std::string bytes = readBytes(entry.path());
      const Drawing drawing = interpretHpgl(bytes);
      size_t shapes = 0, points = 0;
      for (const Plot& plot : drawing.pages)
        for (const Shape& s : plot.shapes) {
          ++shapes;
          for (const auto& path : s.paths) points += path.size();
        }
      now[fs::relative(entry.path(), kSource).generic_string()] =
          hashOf(modelText(drawing)) + "\t" + std::to_string(drawing.pages.size()) + " pages " +
          std::to_string(shapes) + " shapes " + std::to_string(points) + " points";
    }
  }
  ASSERT_GT(now.size(), 20u);  // the folders were found at all
  if (std::getenv("MARLISK_PIN_UPDATE")) {
    std::ofstream out(kTable, std::ios::binary);
    for (const auto& [path, pin] : now) out << path << '\t' << pin << '\n';
    GTEST_SKIP() << "wrote " << kTable;
  }
  std::map<std::string, std::string> pinned;
  std::istringstream table(readBytes(kTable));
  for (std::string line; std::getline(table, line);) {
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) pinned[line.substr(0, tab)] = line.substr(tab + 1);
  }
  for (const auto& [path, pin] : now) {
    const auto found = pinned.find(path);
    EXPECT_TRUE(found != pinned.end() && found->second == pin)
        << path << " draws " << pin << ", pinned " << (found == pinned.end() ? "nothing" : found->second);
  }
  for (const auto& [path, pin] : pinned) EXPECT_TRUE(now.contains(path)) << path << " is pinned but gone";
}

}  // namespace
}  // namespace refconv
