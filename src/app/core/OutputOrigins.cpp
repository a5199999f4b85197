#include "app/core/OutputOrigins.h"

#include "app/core/InputHandling.h"
#include "core/Path.h"

namespace marlisk {

namespace {

// Whether `candidate` is `name` itself or one of the names freeName gives it: "stem (n).ext".
bool isNumberedName(std::string_view candidate, std::string_view name) {
  if (equalsIgnoringAsciiCase(candidate, name)) return true;
  const auto [stem, extension] = stemAndExtension(name);
  if (candidate.size() < stem.size() + extension.size() + 4) return false;
  if (!equalsIgnoringAsciiCase(candidate.substr(0, stem.size()), stem) ||
      !equalsIgnoringAsciiCase(candidate.substr(candidate.size() - extension.size()), extension))
    return false;
  const std::string_view number = candidate.substr(stem.size(), candidate.size() - stem.size() - extension.size());
  if (!number.starts_with(" (") || !number.ends_with(")") || number.size() < 4 || number[2] == '0') return false;
  for (const char c : number.substr(2, number.size() - 3))
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::string OutputOrigins::fold(std::string_view path) { return asciiLower(path); }

std::string OutputOrigins::inputOf(const std::string& output) const {
  const auto found = byOutput_.find(fold(output));
  return found == byOutput_.end() ? std::string() : found->second.input;
}

void OutputOrigins::record(const std::string& output, const std::string& input) {
  std::string key = fold(output);
  // An input has one output of its own: the one it made last.
  const auto earlier = byInput_.find(fold(input));
  if (earlier != byInput_.end() && earlier->second != key) byOutput_.erase(earlier->second);
  if (const auto replaced = byOutput_.find(key); replaced != byOutput_.end()) byInput_.erase(fold(replaced->second.input));
  byInput_[fold(input)] = key;
  byOutput_[std::move(key)] = {output, input};
}

void OutputOrigins::keepOnly(const std::function<bool(const std::string&)>& stillThere) {
  for (auto it = byOutput_.begin(); it != byOutput_.end();) {
    if (stillThere(it->second.output)) {
      ++it;
      continue;
    }
    byInput_.erase(fold(it->second.input));
    it = byOutput_.erase(it);
  }
}

std::string OutputOrigins::text() const {
  std::string text;
  for (const auto& [key, entry] : byOutput_) text += entry.output + "\t" + entry.input + "\r\n";
  return text;
}

OutputOrigins OutputOrigins::parse(std::string_view text) {
  OutputOrigins origins;
  forEachPair(text, [&](std::string_view output, std::string_view input) {
    if (input.find('\t') == std::string_view::npos) origins.record(std::string(output), std::string(input));
  });
  return origins;
}

std::string OutputOrigins::choose(const std::string& wanted, const std::string& input,
                                  const std::function<bool(const std::string&)>& existsNow,
                                  const std::unordered_set<std::string>& taken) const {
  const std::string folder(folderPart(wanted));
  const std::string name(fileNamePart(wanted));
  // The input's own output, when it is one of the names this output could have.
  if (const auto own = byInput_.find(fold(input)); own != byInput_.end() && !taken.contains(own->second)) {
    const std::string& output = byOutput_.at(own->second).output;
    if (equalsIgnoringAsciiCase(folderPart(output), folder) && isNumberedName(fileNamePart(output), name)) return output;
  }
  const std::string free = freeName(name, [&](const std::string& candidate) {
    const bool numbered = candidate != name;
    const std::string path = folder + candidate;
    if (taken.contains(fold(path))) return true;
    if (!existsNow(path)) return false;
    const std::string madeBy = inputOf(path);
    if (madeBy.empty()) return numbered;  // not ours: replaced at its own name only
    return fold(madeBy) != fold(input);
  });
  return free.empty() ? std::string() : folder + free;
}

}  // namespace marlisk
