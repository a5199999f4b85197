// A fresh folder under %TEMP% for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace marlisk::test {

class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::string& path() const { return path_; }  // UTF-8, no trailing "\"
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// Small file helpers for the tests, UTF-8 paths.
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);  // "<missing>" when it cannot be read
void makeFolder(const std::string& path);
bool isFile(const std::string& path);
bool isFolder(const std::string& path);
// Names in a folder, sorted, without "." and ".."; sub-folders end in "\".
std::string listFolder(const std::string& path);
// The folder of the running test exe, without trailing "\".
std::string exeFolder();
void removeTree(const std::string& path);
// A shell shortcut at `linkPath` to `target`, made the way Explorer makes one.
void makeShortcut(const std::string& linkPath, const std::string& target);

}  // namespace marlisk::test
