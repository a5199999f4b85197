// A PDF file's objects (ISO 32000-1, 7.3) and the parser that reads one from the file's bytes.
// A hostile file can neither nest without end nor make the parser read past its bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace refconv::pdf {

struct Object;
using Array = std::vector<Object>;
struct Dict {
  std::vector<std::pair<std::string, Object>> entries;
  // The value of `key` (a name without its "/"), or null when it has none.
  const Object* get(std::string_view key) const;
};

struct Ref {
  uint32_t number = 0;
  uint32_t generation = 0;
  bool operator==(const Ref&) const = default;
};

struct Object {
  enum class Kind { Null, Bool, Int, Real, String, Name, ArrayKind, DictKind, Stream, RefKind };
  Kind kind = Kind::Null;
  bool boolean = false;
  int64_t integer = 0;
  double real = 0;
  std::string text;              // a string's bytes, a name without its "/"
  std::shared_ptr<Array> array;  // an array's items
  std::shared_ptr<Dict> dict;    // a dictionary, or a stream's dictionary
  Ref ref;                       // an indirect reference
  size_t streamStart = 0;        // a stream's data: its first byte in the file...
  size_t streamLength = 0;       // ...and how many there are

  bool isNull() const { return kind == Kind::Null; }
  bool isNumber() const { return kind == Kind::Int || kind == Kind::Real; }
  double number() const { return kind == Kind::Int ? static_cast<double>(integer) : real; }
  bool isName(std::string_view name) const { return kind == Kind::Name && text == name; }
  const Dict* asDict() const { return kind == Kind::DictKind || kind == Kind::Stream ? dict.get() : nullptr; }
  const Array* asArray() const { return kind == Kind::ArrayKind ? array.get() : nullptr; }
};

// How deep arrays and dictionaries may nest in one object.
inline constexpr int kMostNesting = 64;

// Reads the PDF's tokens and objects from `bytes` at a position.
class Parser {
 public:
  Parser(std::string_view bytes, size_t at) : bytes_(bytes), at_(at) {}

  // The next object; nothing at the end, at a token that starts none, or nesting too deep. A
  // dictionary followed by "stream" is a stream whose data starts after the keyword's line
  // end; its length is the document's to find.
  std::optional<Object> object(int depth = 0);
  // The next keyword ("obj", "endobj", "R", "xref"...) or other bare token, as written.
  std::string_view keyword();
  // Skips white space and comments; the position after them.
  size_t skipBlanks();
  size_t at() const { return at_; }
  void seek(size_t at) { at_ = at < bytes_.size() ? at : bytes_.size(); }

 private:
  std::optional<Object> number();
  std::string literalString();
  std::string hexString();
  std::string name();

  std::string_view bytes_;
  size_t at_;
};

bool isPdfWhite(char c);
bool isPdfDelimiter(char c);

}  // namespace refconv::pdf
