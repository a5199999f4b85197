// A PDF file as a reader needs it (ISO 32000-1, 7.5): its cross-reference (classic tables,
// cross-reference streams and object streams, incremental updates through /Prev), rebuilt by a
// scan of the file when that is broken; its objects on demand; its pages. Every chain a file
// can make (a /Prev, an object referring to itself, a page tree) is bounded.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/pdf/Filters.h"
#include "core/pdf/Objects.h"
#include "core/pdf/Security.h"

namespace refconv::pdf {

struct Page {
  std::shared_ptr<Dict> dict;
  double box[4] = {0, 0, 612, 792};  // the visible area: MediaBox within CropBox, in points
  int rotate = 0;                    // 0, 90, 180 or 270, clockwise
  double userUnit = 1;               // points per unit
  Object resources;                  // inherited when the page has none of its own
};

class Document {
 public:
  // Nothing, and `why` says it, for what is no PDF or one that cannot be read.
  // An encrypted file is decrypted with `crypto`'s hashes and ciphers.
  static std::unique_ptr<Document> open(std::string bytes, std::string& why, Crypto* crypto = nullptr);
  ~Document();

  // `object` itself, or what it refers to (null for what is not there, or a chain that loops).
  Object resolve(const Object& object);
  // A key of a dictionary, resolved.
  Object get(const Dict& dict, std::string_view key) { return dict.get(key) ? resolve(*dict.get(key)) : Object{}; }
  // The numbers of an array (each resolved; what is no number counts 0), at most `most`.
  std::vector<double> numbers(const Object& array, size_t most = 80);
  std::vector<double> numbers(const Dict& dict, std::string_view key, size_t most = 80) {
    return numbers(get(dict, key), most);
  }
  // A stream's data through its filters; `failure` says why it stopped short.
  std::string streamData(const Object& stream, std::string* failure = nullptr, std::string* codec = nullptr);
  // `data` through the filters named (a name or an array) with their parameters. Given
  // `codec`, it stops before a picture codec's filter (DCT, JPX, JBIG2, CCITT fax) and names it.
  std::string decoded(std::string data, const Object& filter, const Object& parameters, std::string* failure,
                      std::string* codec);

  const Dict& trailer() const { return trailer_; }
  std::vector<Page> pages();
  // The cross-reference was broken and rebuilt from a scan of the file.
  bool repaired() const { return repaired_; }

 private:
  struct Entry {
    bool inStream = false;
    size_t offset = 0;   // in the file, or the object stream's number
    uint32_t index = 0;  // within the object stream
  };
  bool readCrossReference(size_t at, std::string& why);
  bool readTable(size_t at, std::string& why);
  bool readStream(size_t at, std::string& why);
  void scan();
  Object load(uint32_t number);
  Object fromObjectStream(uint32_t stream, uint32_t index);
  size_t streamLength(const Object& stream);
  void collectPages(const Object& node, Page inherited, std::vector<Page>& pages, int depth,
                    std::unordered_set<uint32_t>& seen);

  std::string bytes_;
  Dict trailer_;
  std::unordered_map<uint32_t, Entry> xref_;
  std::unordered_map<uint32_t, Object> cache_;
  std::unordered_set<uint32_t> loading_;  // objects being read now: a reference back is a loop
  std::unordered_map<uint32_t, std::shared_ptr<std::vector<std::pair<uint32_t, size_t>>>> objectStreams_;
  std::unordered_map<uint32_t, std::string> objectStreamData_;
  bool repaired_ = false;
  std::unique_ptr<Security> security_;  // an encrypted file's; none for a plain one
};

}  // namespace refconv::pdf
