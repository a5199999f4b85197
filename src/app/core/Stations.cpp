#include "app/core/Stations.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <numeric>
#include <optional>
#include <type_traits>

#include "app/core/InputHandling.h"

namespace marlisk {

namespace {

// FNV-1a: the same start for the same station on every PC and every run.
uint64_t stationHash(std::string_view station) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : station) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

// Values and batch paths are single lines: a line break inside one would end it.
bool isOneLine(std::string_view value) { return value.find_first_of("\r\n") == std::string_view::npos; }

// A count written by cardText: decimal digits only, the whole value.
std::optional<uint64_t> parseCount(std::string_view text) {
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::vector<size_t> claimOrder(const std::vector<std::string>& names, std::string_view station, int32_t batch) {
  std::vector<size_t> sorted(names.size());
  std::iota(sorted.begin(), sorted.end(), size_t{0});
  std::sort(sorted.begin(), sorted.end(), [&](size_t a, size_t b) { return names[a] < names[b]; });
  const size_t take = std::min(sorted.size(), static_cast<size_t>(std::max(batch, 0)));
  std::vector<size_t> order;
  order.reserve(take);
  const size_t start = sorted.empty() ? 0 : stationHash(station) % sorted.size();
  for (size_t i = 0; i < take; ++i) order.push_back(sorted[(start + i) % sorted.size()]);
  return order;
}

std::string cardText(const StationCard& card) {
  std::string text;
  auto line = [&](const char* key, const std::string& value) {
    if (isOneLine(value)) text += std::string(key) + "=" + value + "\r\n";
  };
  line("Computer", card.computer);
  line("Instance", card.instance);
  line("Version", card.version);
  line("Pid", std::to_string(card.pid));
  line("Counter", std::to_string(card.counter));
  line("State", card.state);
  line("ConvertedToday", std::to_string(card.convertedToday));
  for (const std::string& path : card.batch) line("Batch", path);
  for (const std::string& path : card.checked) line("Checked", path);
  if (!card.takenOverBy.empty()) line("TakenOverBy", card.takenOverBy);
  return text;
}

StationCard parseCard(std::string_view text) {
  StationCard card;
  forEachLine(text, [&](std::string_view line) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0) return;
    const std::string_view key = line.substr(0, equals);
    const std::string value(line.substr(equals + 1));
    if (!isOneLine(value)) return;
    auto number = [&](auto& to) {
      if (const std::optional<uint64_t> parsed = parseCount(value);
          parsed && *parsed <= std::numeric_limits<std::remove_reference_t<decltype(to)>>::max())
        to = static_cast<std::remove_reference_t<decltype(to)>>(*parsed);
    };
    if (key == "Computer")
      card.computer = value;
    else if (key == "Instance")
      card.instance = value;
    else if (key == "Version")
      card.version = value;
    else if (key == "Pid")
      number(card.pid);
    else if (key == "Counter")
      number(card.counter);
    else if (key == "State")
      card.state = value;
    else if (key == "ConvertedToday")
      number(card.convertedToday);
    else if (key == "Batch" && !value.empty())
      card.batch.push_back(value);
    else if (key == "Checked" && !value.empty())
      card.checked.push_back(value);
    else if (key == "TakenOverBy")
      card.takenOverBy = value;
  });
  return card;
}

std::string claimRootOf(const std::string& watchFolder) { return watchFolder + kClaimRootName; }

std::string claimFolderOf(const std::string& watchFolder, const std::string& station) {
  return claimRootOf(watchFolder) + "\\" + station;
}

std::string lockFileOf(const std::string& watchFolder, const std::string& station) {
  return claimFolderOf(watchFolder, station) + ".lock";
}

std::string cardFileOf(const std::string& watchFolder, const std::string& station) {
  return claimFolderOf(watchFolder, station) + ".txt";
}

std::string checkedEntry(const std::string& claimedPath, const std::string& output) {
  return claimedPath + "\t" + output;
}

Recovery recoveryOf(const StationCard& lastCard, const std::string& claimedPath,
                    const std::function<bool(const std::string&)>& outputStillThere, std::string* output) {
  const std::string prefix = claimedPath + "\t";
  for (const std::string& entry : lastCard.checked) {
    if (!entry.starts_with(prefix) || entry.size() == prefix.size()) continue;
    const std::string made = entry.substr(prefix.size());
    if (!outputStillThere(made)) break;
    if (output) *output = made;
    return Recovery::FinishWithoutConverting;
  }
  return Recovery::ConvertAgain;
}

void Liveness::observe(const std::string& station, uint64_t counter, uint64_t nowMs) {
  const auto [at, isNew] = seen_.try_emplace(station, Seen{counter, nowMs});
  if (!isNew && at->second.counter != counter) at->second = {counter, nowMs};
}

uint64_t Liveness::silentMs(const std::string& station, uint64_t nowMs) const {
  const auto found = seen_.find(station);
  if (found == seen_.end() || nowMs < found->second.changedAtMs) return 0;
  return nowMs - found->second.changedAtMs;
}

Takeover takeoverDecision(uint64_t silentMs, int32_t takeOverMinutes, bool lockReleased, bool byHand) {
  if (!byHand) {
    if (takeOverMinutes <= 0) return Takeover::Never;
    if (silentMs < static_cast<uint64_t>(takeOverMinutes) * 60'000u) return Takeover::NotSilentLongEnough;
  }
  // However long it has been silent: a station the server still serves may only be frozen,
  // and would come back to find its files gone.
  return lockReleased ? Takeover::Allowed : Takeover::LockStillHeld;
}

}  // namespace marlisk
