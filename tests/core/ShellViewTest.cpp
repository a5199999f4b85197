#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "shellview/core/ItemIdList.h"
#include "shellview/core/ShellTexts.h"

namespace marlisk::shell {
namespace {

// Counts what is handed out and given back, and catches a block given back twice or never.
class CountingAllocator final : public IdAllocator {
 public:
  ~CountingAllocator() override { EXPECT_TRUE(live_.empty()) << live_.size() << " lists leaked"; }
  void* allocate(size_t bytes) override {
    void* block = ::operator new(bytes);
    std::memset(block, 0, bytes);
    live_[block] = bytes;
    return block;
  }
  void release(void* block) override {
    if (!block) return;
    ASSERT_EQ(live_.erase(block), 1u) << "released twice, or never allocated here";
    ::operator delete(block);
  }
  size_t live() const { return live_.size(); }

 private:
  std::map<void*, size_t> live_;
};

// A list from item payloads: each item is its count (payload + 2) and the payload bytes.
std::vector<uint8_t> makeIds(const std::vector<std::string>& payloads) {
  std::vector<uint8_t> list;
  for (const std::string& payload : payloads) {
    const size_t count = payload.size() + 2;
    list.push_back(static_cast<uint8_t>(count & 0xFF));
    list.push_back(static_cast<uint8_t>(count >> 8));
    list.insert(list.end(), payload.begin(), payload.end());
  }
  list.push_back(0);
  list.push_back(0);
  return list;
}

std::vector<uint8_t> bytes(const uint8_t* list) { return {list, list + IDListSize(list)}; }

TEST(ShellViewTest, ItemIdListOperationsOwnWhatTheyReturn) {
  CountingAllocator allocator;
  const std::vector<uint8_t> path = makeIds({"C:", "Data", "図面"});
  const std::vector<uint8_t> empty = makeIds({});
  EXPECT_EQ(IDListSize(path.data()), path.size());
  EXPECT_EQ(IDListSize(empty.data()), 2u);
  EXPECT_EQ(IDListSize(nullptr), 0u);

  uint8_t* first = CopyFirstID(path.data(), allocator);
  EXPECT_EQ(bytes(first), makeIds({"C:"}));
  uint8_t* emptyCopy = CopyFirstID(empty.data(), allocator);
  EXPECT_EQ(bytes(emptyCopy), empty);
  EXPECT_EQ(CopyFirstID(nullptr, allocator), nullptr);

  uint8_t* parent = ParentIDs(path.data(), allocator);
  EXPECT_EQ(bytes(parent), makeIds({"C:", "Data"}));
  uint8_t* last = LastID(path.data(), allocator);
  EXPECT_EQ(bytes(last), makeIds({"図面"}));
  uint8_t* lastOfEmpty = LastID(empty.data(), allocator);
  EXPECT_EQ(bytes(lastOfEmpty), empty);
  uint8_t* parentOfOne = ParentIDs(first, allocator);
  EXPECT_EQ(bytes(parentOfOne), empty);

  // Concatenation: a without its terminator, then b; either may be null; the Free form gives
  // both inputs back.
  uint8_t* joined = ConcatIDs(parent, last, allocator);
  EXPECT_EQ(bytes(joined), path);
  uint8_t* onlyB = ConcatIDs(nullptr, last, allocator);
  EXPECT_EQ(bytes(onlyB), makeIds({"図面"}));
  uint8_t* onlyA = ConcatIDs(parent, nullptr, allocator);
  EXPECT_EQ(bytes(onlyA), makeIds({"C:", "Data"}));
  uint8_t* neither = ConcatIDs(nullptr, nullptr, allocator);
  EXPECT_EQ(bytes(neither), empty);
  const size_t before = allocator.live();
  uint8_t* freed = ConcatIDsFree(onlyA, onlyB, allocator);
  EXPECT_EQ(bytes(freed), makeIds({"C:", "Data", "図面"}));
  EXPECT_EQ(allocator.live(), before - 1);

  // NextID points into the list it is given.
  EXPECT_EQ(NextID(path.data()), path.data() + 4);
  EXPECT_EQ(NextID(NextID(NextID(path.data()))), nullptr);
  EXPECT_EQ(NextID(empty.data()), nullptr);
  EXPECT_EQ(NextID(nullptr), nullptr);

  for (uint8_t* list : {first, emptyCopy, parent, last, lastOfEmpty, parentOfOne, joined, neither, freed})
    allocator.release(list);
}

TEST(ShellViewTest, DamagedCountsEndTheList) {
  // A count of 1 cannot hold itself: the list ends there instead of looping or overrunning.
  const uint8_t damaged[] = {4, 0, 'a', 'b', 1, 0, 'x', 0, 0};
  EXPECT_EQ(IDListSize(damaged), 6u);
  EXPECT_EQ(NextID(damaged), nullptr);
}

TEST(ShellViewTest, MaskRule) {
  const std::vector<std::string> hgl = {".hgl"};
  struct Case {
    std::vector<std::string> mask;
    const char* name;
    bool folder;
    bool shown;
  } cases[] = {
      {hgl, "C:\\d\\a.hgl", false, true},      {hgl, "C:\\d\\a.HGL", false, true},
      {hgl, "C:\\d\\a.plt", false, false},     {hgl, "C:\\d\\sub", true, true},  // folders always
      {hgl, "C:\\d\\noext", false, true},      {hgl, "C:\\d.v2\\noext", false, true},
      {hgl, "C:\\d\\a.hg", false, true},       // a prefix of the entry passes
      {hgl, "C:\\d\\a.hgll", false, false},    {{".*"}, "C:\\d\\a.docx", false, true},
      {{".p?t"}, "C:\\d\\a.plt", false, true}, {{".p?t"}, "C:\\d\\a.pdt", false, true},
      {{".p?t"}, "C:\\d\\a.pdf", false, false}, {{}, "C:\\d\\a.anything", false, true},
      {{".hgl", ".plt"}, "C:\\d\\a.plt", false, true}, {{""}, "C:\\d\\noext", false, true},
      {{""}, "C:\\d\\a.hgl", false, false},    // an empty entry: names without extension only
  };
  for (const Case& c : cases) EXPECT_EQ(maskAccepts(c.mask, c.name, c.folder), c.shown) << c.name;
}

TEST(ShellViewTest, TextsAndSkippedNames) {
  EXPECT_EQ(sizeText(0), "       1KB");
  EXPECT_EQ(sizeText(1023), "       1KB");
  EXPECT_EQ(sizeText(1024), "       2KB");
  EXPECT_EQ(sizeText(3ULL << 30), " 3145729KB");  // 3 GiB: its true size, not a negative one
  EXPECT_EQ(sizeText(200ULL << 30), "209715201KB");
  EXPECT_EQ(dateText(2026, 12, 8, 9, 5), "2026/12/08 09:05");

  for (const char* name : {"ｺﾝﾄﾛｰﾙ ﾊﾟﾈﾙ", "Control Panel", "Web フォルダ", "Web Folder", "予定されているﾀｽｸ",
                           "コントロール パネル", ""})
    EXPECT_TRUE(isSkippedFolderName(name)) << name;
  for (const char* name : {"control panel", "コントロールパネル", "Web Folders", "ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ", "Documents", "予定されているタスク"})
    EXPECT_FALSE(isSkippedFolderName(name)) << name;
}

}  // namespace
}  // namespace marlisk::shell
