#include "support/TestViewerLog.h"

#include <stdexcept>

#include "support/TestFolder.h"

namespace marlisk::test {

namespace {

class Cursor {
 public:
  explicit Cursor(std::string text) : text_(std::move(text)) {}
  bool atEnd() const { return pos_ >= text_.size(); }
  std::string line() {
    const size_t end = text_.find('\n', pos_);
    if (end == std::string::npos) throw std::runtime_error("viewer log: unterminated line");
    std::string found = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    return found;
  }
  std::string bytes(size_t n) {
    if (pos_ + n + 1 > text_.size() || text_[pos_ + n] != '\n') throw std::runtime_error("viewer log: bad length");
    std::string found = text_.substr(pos_, n);
    pos_ += n + 1;
    return found;
  }

 private:
  std::string text_;
  size_t pos_ = 0;
};

size_t lengthAfter(const std::string& line, const std::string& key) {
  if (line.rfind(key, 0) != 0) throw std::runtime_error("viewer log: expected " + key + ", got " + line);
  return std::stoul(line.substr(key.size()));
}

}  // namespace

std::vector<ViewerRun> readViewerLog(const std::string& logPath) {
  std::vector<ViewerRun> runs;
  const std::string text = readFile(logPath);
  if (text == "<missing>") return runs;
  Cursor cursor(text);
  while (!cursor.atEnd()) {
    ViewerRun run;
    run.commandLine = cursor.bytes(lengthAfter(cursor.line(), "commandline "));
    const std::string file = cursor.line();
    if (file.rfind("commandfile error ", 0) == 0)
      run.note = file.substr(12);
    else if (file == "commandfile none")
      run.note = "none";
    else {
      run.hadCommandFile = true;
      run.commandFileBytes = cursor.bytes(lengthAfter(file, "commandfile "));
    }
    const std::string started = cursor.line();
    if (started.rfind("started ", 0) != 0) throw std::runtime_error("viewer log: expected started, got " + started);
    run.startedAt = std::stoull(started.substr(8));
    if (cursor.line() != "end") throw std::runtime_error("viewer log: missing end");
    runs.push_back(run);
  }
  return runs;
}

std::string testViewerPath() { return exeFolder() + "\\TestViewer.exe"; }

void useStandbyFolders(Settings& s, const TestFolder& root) {
  for (const char* folder : {"work", "watch", "out"}) makeFolder(root / folder);
  s.WorkFolder = root / "work";
  s.ViewerCommandFilePath = root / "work\\MarComline.txt";
  s.ViewerExePath = testViewerPath();
  s.WatchFolder = root / "watch\\";
  s.WatchFileMask = "*.hgl";
  s.OutputFolder = root / "out\\";
  s.WaitSeconds = 2;  // 0 minutes in the settings dialog
}

}  // namespace marlisk::test
