#include "settings/core/ParameterFile.h"

#include <variant>
#include <vector>

#include "core/LineReader.h"
#include "core/Numbers.h"
#include "core/Path.h"
#include "settings/core/SettingsRules.h"

namespace marlisk {

namespace {

constexpr const char* kCannotCreateMessage = "パラメータファイルを作成できません!";
constexpr const char* kNumbersDamagedMessage =
    "\r\nパラメータファイルに読めない数字があります。次の設定は既定値にしました!";
constexpr const char* kValueNotSavedMessage = "この設定はパラメータファイルに保存できません!";
constexpr const char* kViewerMissingMessage =
    " Marliskプログラムファイルが存在しません!\r 設定ボタンでMarliskプログラム名を登録してください";

// Lines 11 and 12 have rules of their own; every other line is one plain value.
struct BatchFileLine {};
struct WatchPatternLine {};
using Slot = std::variant<std::string*, int32_t*, uint8_t*, BatchFileLine, WatchPatternLine>;

// Lines 2 to 57, in file order.
std::vector<Slot> slotsOf(Settings& s) {
  std::vector<Slot> slots = {&s.HpglExtList,   &s.ImageExtList, &s.PdfExtList,     &s.EmfExtList,
                             &s.DxfExtList,    &s.DwgExtList,   &s.IgesExtList,    &s.GerberExtList,
                             &s.ViewerExePath, BatchFileLine{}, WatchPatternLine{}};
  for (auto& folder : s.DrawingFolders) slots.emplace_back(&folder);
  slots.emplace_back(&s.OutputFolder);
  slots.emplace_back(&s.WaitSeconds);
  slots.emplace_back(&s.OutTypeIndex);
  slots.emplace_back(&s.OutType2Index);
  for (auto& folder : s.DrawingOutFolders) slots.emplace_back(&folder);
  slots.emplace_back(&s.PaperSettingMode);
  for (auto& pos : s.HDrawPos) slots.emplace_back(&pos);
  for (auto& pos : s.VDrawPos) slots.emplace_back(&pos);
  for (auto* set : {&s.MarginTop, &s.MarginBottom, &s.MarginRight, &s.MarginLeft})
    for (auto& margin : *set) slots.emplace_back(&margin);
  return slots;
}

std::string shortened(const std::string& text) {
  constexpr size_t kShown = 200;
  if (text.size() <= kShown) return text;
  size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // whole characters
  return text.substr(0, cut) + "…";
}

// Bytes that are not text in the code page, shown as far as they are plain ASCII.
std::string printableBytes(std::string_view raw) {
  std::string shown(raw.substr(0, 200));
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
  return shown;
}

// What a person calls the numeric lines, for the word on a damaged one.
std::string numberLineName(int line) {
  static const char* const kMargins[] = {"上余白", "下余白", "右余白", "左余白"};
  auto slot = [line](int first) { return std::to_string(line - first + 1); };
  if (line == 19) return "待機時間";
  if (line == 20) return "出力１の出力形式";
  if (line == 21) return "出力２の出力形式";
  if (line == 27) return "用紙余白の設定";
  if (line >= 28 && line <= 32) return "横の作画位置 " + slot(28);
  if (line >= 33 && line <= 37) return "縦の作画位置 " + slot(33);
  if (line >= 38 && line <= 57) return kMargins[(line - 38) / 5] + slot(38 + (line - 38) / 5 * 5);
  return {};
}

std::string refusal(const std::string& value, const char* reason) {
  return shortened(value) + "\r " + reason + "\r " + kValueNotSavedMessage;
}

}  // namespace

void ParameterFile::viewerMissing(const std::string& path) {
  const std::string warning = path + "\r" + kViewerMissingMessage;
  if (viewerMissing_)
    viewerMissing_(path, warning);
  else
    warn_(warning);
}

bool ParameterFile::save(const Settings& settings) {
  Settings copy = settings;  // the slot table hands out pointers into a model it may change
  // A value that cannot be stored as it is keeps the line the file holds now: the other
  // settings are saved all the same, and the user is told which one was not.
  std::vector<std::string> previous;
  if (ReadResult current = fs_.readFile(settings.ParameterFilePath, kMaxParameterFileBytes); current.error == 0) {
    LineReader lines(current.bytes, kMaxParameterLineBytes);
    std::string_view raw;
    for (LineReader::Status status; (status = lines.next(raw)) != LineReader::Status::End;)
      previous.emplace_back(status == LineReader::Status::Line ? raw : std::string_view());
  }
  std::string out;
  size_t line = 0;
  auto appendLine = [&](const std::string& value) {
    if (std::optional<std::string> reason = unstorableReason(value, codec_)) {
      warn_(refusal(value, reason->c_str()));
      if (line < previous.size()) out += previous[line];
    } else {
      out += *codec_.toAnsi(value);
    }
    out += "\r\n";
    ++line;
  };

  appendLine(kVersionText);
  for (const Slot& slot : slotsOf(copy)) {
    std::string value;
    if (auto* text = std::get_if<std::string*>(&slot))
      value = **text;
    else if (auto* number = std::get_if<int32_t*>(&slot))
      value = std::to_string(**number);
    else if (auto* byte = std::get_if<uint8_t*>(&slot))
      value = std::to_string(unsigned{**byte});
    else if (std::holds_alternative<BatchFileLine>(slot))
      value = copy.BatchFileName;
    else
      value = copy.WatchFolder + copy.WatchFileMask;
    appendLine(value);
  }

  if (fs_.replaceFile(settings.ParameterFilePath, out) != 0) {
    warn_(kCannotCreateMessage);
    return false;
  }
  return true;
}

LoadResult ParameterFile::load(Settings& settings) {
  auto finish = [&](LoadResult result) {
    settings.LastIoStatus = static_cast<int32_t>(result);
    return result;
  };

  // A larger file is read only as far as a sound one could reach.
  ReadResult file = fs_.readFile(settings.ParameterFilePath, kMaxParameterFileBytes + 1);
  if (file.error != 0) return finish(LoadResult::CannotOpen);
  if (file.bytes.size() > kMaxParameterFileBytes) {
    // Cut at the last line end inside the limit, so that no value is read half.
    file.bytes.resize(kMaxParameterFileBytes);
    const size_t lastEnd = file.bytes.find_last_of("\r\n");
    file.bytes.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
  }

  LineReader lines(file.bytes, kMaxParameterLineBytes);
  std::string_view raw;
  // Gives the next line in UTF-8; nothing when it is missing (end of file), overlong or not
  // valid in the code page. `ended` tells the first case from the others.
  bool ended = false;
  auto nextLine = [&]() -> std::optional<std::string> {
    const LineReader::Status status = lines.next(raw);
    ended = status == LineReader::Status::End;
    if (status != LineReader::Status::Line) return std::nullopt;
    return codec_.fromAnsi(raw);
  };

  const std::optional<std::string> version = nextLine();
  if (!version || *version != kVersionText) return finish(LoadResult::OtherVersion);

  // A number that is no number, or too large for its field, is damage: read as 0 it would
  // make a wait of one minute a wait of two seconds. The field takes its default instead,
  // and the user hears of every such line at once.
  Settings defaults = defaultSettings();
  std::string damaged;
  int lineNumber = 1;
  const std::vector<Slot> defaultSlots = slotsOf(defaults);
  size_t slotIndex = 0;
  for (const Slot& slot : slotsOf(settings)) {
    const Slot& defaultSlot = defaultSlots[slotIndex++];
    ++lineNumber;
    // A number line that cannot be read: the field's default, and the line named.
    auto takeDefault = [&] {
      if (auto* number = std::get_if<int32_t*>(&slot))
        **number = *std::get<int32_t*>(defaultSlot);
      else if (auto* byte = std::get_if<uint8_t*>(&slot))
        **byte = *std::get<uint8_t*>(defaultSlot);
      else
        return;
      damaged += "\r\n " + std::to_string(lineNumber) + "行目 " + numberLineName(lineNumber);
    };
    const std::optional<std::string> line = nextLine();
    if (ended) break;
    if (!line) {
      takeDefault();
      // A viewer line that cannot be read names no viewer the program could start: the same
      // warning as for a viewer that is not there, with the bytes as far as they show.
      if (auto* text = std::get_if<std::string*>(&slot); text && *text == &settings.ViewerExePath)
        viewerMissing(printableBytes(raw));
      continue;
    }
    if (auto* text = std::get_if<std::string*>(&slot)) {
      **text = *line;
      if (*text == &settings.ViewerExePath && !fs_.fileExists(settings.ViewerExePath)) {
        if (settings.ViewerExePath == kDefaultViewerPath && fs_.fileExists(kDefaultViewerPathX86))
          settings.ViewerExePath = kDefaultViewerPathX86;
        else
          viewerMissing(settings.ViewerExePath);
      }
    } else if ((std::holds_alternative<int32_t*>(slot) || std::holds_alternative<uint8_t*>(slot)) &&
               line->find_first_not_of(" \t") == std::string::npos) {
      continue;  // an empty number line keeps the value, as files of other writers have them
    } else if (auto* number = std::get_if<int32_t*>(&slot)) {
      if (auto value = parseInt32(*line))
        **number = *value;
      else
        takeDefault();
    } else if (auto* byte = std::get_if<uint8_t*>(&slot)) {
      // A number that fits 32 bits gives its low byte, as the stored files always had it.
      if (auto value = parseInt32(*line))
        **byte = static_cast<uint8_t>(static_cast<uint32_t>(*value) & 0xFF);
      else
        takeDefault();
    } else if (std::holds_alternative<BatchFileLine>(slot)) {
      if (settings.BatchFileName.empty()) settings.BatchFileName = *line;
    } else if (settings.WatchFolder.empty() && settings.WatchFileMask.empty()) {
      settings.WatchFileMask = std::string(fileNamePart(*line));
      settings.WatchFolder = std::string(folderPart(*line));
    }
  }
  // The mode is a choice of two: anything else is damage, and reads as "not in effect".
  if (settings.PaperSettingMode > 1) settings.PaperSettingMode = 0;
  if (!damaged.empty()) warn_(settings.ParameterFilePath + kNumbersDamagedMessage + damaged);
  return finish(LoadResult::Loaded);
}

}  // namespace marlisk
