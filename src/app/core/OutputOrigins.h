// Which input made each output the program wrote, so that a drawing's output is never replaced
// by the output of another drawing that happens to share its name ("plan.hgl" and "plan.plt"
// both make "plan.pdf"). Kept in the working folder across runs and restarts.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace marlisk {

inline constexpr char kOutputOriginsFileName[] = "OutputOrigins.txt";

class OutputOrigins {
 public:
  // The input that made `output`; empty when the program does not know it.
  std::string inputOf(const std::string& output) const;
  void record(const std::string& output, const std::string& input);
  // Forgets the outputs that are no longer there: the record only has to speak for files
  // that could still be replaced.
  void keepOnly(const std::function<bool(const std::string& output)>& stillThere);
  size_t size() const { return byOutput_.size(); }
  bool empty() const { return byOutput_.empty(); }

  // One line an output: the output, a tab, the input (UTF-8), CR LF.
  std::string text() const;
  // What cannot be read is left out: an output whose origin is lost is treated as one the
  // program did not make.
  static OutputOrigins parse(std::string_view text);

  // The output path for `input`, whose line would name `wanted`. The input's own earlier output
  // (a revised drawing sent again) is replaced; an output another input made, or one this run
  // has already given out (`taken`, folded by `fold`), is not: the input gets the first free
  // name of "name (2).ext", "name (3).ext" ... A file of unknown origin at `wanted` is
  // replaced, as it always was; one at a numbered name is never. Empty when no name is free.
  std::string choose(const std::string& wanted, const std::string& input,
                     const std::function<bool(const std::string& path)>& existsNow,
                     const std::unordered_set<std::string>& taken) const;

  // How paths are told apart: without regard to A-Z case, as the file system does.
  static std::string fold(std::string_view path);

 private:
  struct Entry {
    std::string output, input;
  };
  std::map<std::string, Entry> byOutput_;                 // by folded output, in order for the file
  std::unordered_map<std::string, std::string> byInput_;  // folded input -> folded output
};

}  // namespace marlisk
