#include "core/pdf/Document.h"

#include <algorithm>
#include <cstring>

namespace refconv::pdf {

namespace {

constexpr int kMostSections = 64;   // /Prev and /XRefStm links followed
constexpr int kMostPageDepth = 64;  // levels of the page tree
constexpr size_t kMostPages = 100000;
constexpr uint32_t kMostObjectNumber = 8'388'607;  // the format's own bound

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Adds the keys of `older` that `newer` does not have: the newest section's word holds.
void mergeTrailer(Dict& newer, const Dict& older) {
  for (const auto& [key, value] : older.entries)
    if (!newer.get(key)) newer.entries.emplace_back(key, value);
}

double numberAt(const Array& array, size_t i) {
  return i < array.size() && array[i].isNumber() ? array[i].number() : 0;
}

}  // namespace

std::unique_ptr<Document> Document::open(std::string bytes, std::string& why, Crypto* crypto) {
  const size_t header = bytes.find("%PDF-");
  if (header == std::string::npos || header > 1024) {
    why = "the input is no PDF";
    return nullptr;
  }
  std::unique_ptr<Document> document(new Document);
  document->bytes_ = std::move(bytes);
  const std::string& data = document->bytes_;
  const size_t start = data.rfind("startxref");
  bool read = false;
  if (start != std::string::npos) {
    Parser parser(data, start + 9);
    const std::optional<Object> offset = parser.object();
    std::string ignored;
    if (offset && offset->kind == Object::Kind::Int && offset->integer >= 0 &&
        static_cast<size_t>(offset->integer) < data.size())
      read = document->readCrossReference(static_cast<size_t>(offset->integer), ignored);
  }
  // A table that does not lead to the catalog is as good as none.
  if (!read || !document->get(document->trailer_, "Root").asDict()) document->scan();
  if (!document->trailer_.get("Root")) {
    why = "the PDF has no document catalog (damaged beyond repair)";
    return nullptr;
  }
  if (document->trailer_.get("Encrypt")) {
    const Object encrypt = document->get(document->trailer_, "Encrypt");
    const Object ids = document->get(document->trailer_, "ID");
    const Object first = ids.asArray() && !ids.asArray()->empty() ? document->resolve((*ids.asArray())[0]) : Object{};
    Dict entries;  // resolved, before any object is decrypted
    if (const Dict* dict = encrypt.asDict())
      for (const auto& [key, value] : dict->entries) entries.entries.emplace_back(key, document->resolve(value));
    document->security_ = Security::make(entries, first.text, crypto, why);
    if (!document->security_) return nullptr;
    // What was read to find the catalogue is read again, decrypted.
    document->cache_.clear();
    document->objectStreams_.clear();
    document->objectStreamData_.clear();
  }
  return document;
}

Document::~Document() = default;

std::vector<double> Document::numbers(const Object& array, size_t most) {
  std::vector<double> out;
  if (const Array* items = array.asArray())
    for (size_t i = 0; i < items->size() && i < most; ++i) {
      const Object item = resolve((*items)[i]);
      out.push_back(item.isNumber() ? item.number() : 0);
    }
  return out;
}

bool Document::readCrossReference(size_t at, std::string& why) {
  std::unordered_set<size_t> visited;
  bool first = true;
  for (int sections = 0; sections < kMostSections; ++sections) {
    if (!visited.insert(at).second) break;  // a /Prev that loops
    Parser parser(bytes_, at);
    const size_t begin = parser.skipBlanks();
    const bool table = parser.keyword() == "xref";
    const size_t trailerKeys = trailer_.entries.size();
    if (!(table ? readTable(parser.at(), why) : readStream(begin, why))) return !first && false;
    first = false;
    // The section just read put its trailer's keys after the newer ones: its /Prev and
    // /XRefStm are what it says of itself, found among the keys it added.
    int64_t prev = -1, hybrid = -1;
    for (size_t i = trailerKeys; i < trailer_.entries.size(); ++i) {
      const Object& value = trailer_.entries[i].second;
      if (value.kind != Object::Kind::Int) continue;
      if (trailer_.entries[i].first == "Prev") prev = value.integer;
      if (trailer_.entries[i].first == "XRefStm") hybrid = value.integer;
    }
    if (hybrid > 0 && static_cast<size_t>(hybrid) < bytes_.size() && visited.insert(static_cast<size_t>(hybrid)).second)
      readStream(static_cast<size_t>(hybrid), why);
    if (prev < 0 || static_cast<size_t>(prev) >= bytes_.size()) break;
    at = static_cast<size_t>(prev);
  }
  return true;
}

bool Document::readTable(size_t at, std::string& why) {
  Parser parser(bytes_, at);
  for (;;) {
    const size_t here = parser.skipBlanks();
    if (here >= bytes_.size()) return false;
    if (!isDigit(bytes_[here])) break;
    const std::optional<Object> first = parser.object(), count = parser.object();
    if (!first || !count || first->kind != Object::Kind::Int || count->kind != Object::Kind::Int ||
        first->integer < 0 || count->integer < 0 || first->integer + count->integer > kMostObjectNumber) {
      why = "a cross-reference table is damaged";
      return false;
    }
    for (int64_t n = 0; n < count->integer; ++n) {
      const std::optional<Object> offset = parser.object(), generation = parser.object();
      const std::string_view type = parser.keyword();
      if (!offset || !generation || offset->kind != Object::Kind::Int || (type != "n" && type != "f")) {
        why = "a cross-reference table is damaged";
        return false;
      }
      const auto number = static_cast<uint32_t>(first->integer + n);
      if (type == "n" && offset->integer > 0 && !xref_.contains(number))
        xref_[number] = {false, static_cast<size_t>(offset->integer), 0};
      else if (type == "f" && !xref_.contains(number))
        xref_[number] = {false, 0, 0};  // free: newer sections may not revive what this one freed
    }
  }
  if (parser.keyword() != "trailer") {
    why = "a cross-reference table has no trailer";
    return false;
  }
  const std::optional<Object> dict = parser.object();
  if (!dict || !dict->asDict()) {
    why = "a trailer is damaged";
    return false;
  }
  mergeTrailer(trailer_, *dict->asDict());
  return true;
}

bool Document::readStream(size_t at, std::string& why) {
  Parser parser(bytes_, at);
  const std::optional<Object> number = parser.object(), generation = parser.object();
  if (!number || number->kind != Object::Kind::Int || parser.keyword() != "obj") {
    why = "a cross-reference stream is damaged";
    return false;
  }
  std::optional<Object> stream = parser.object();
  if (!stream || stream->kind != Object::Kind::Stream || !stream->dict->get("Type") ||
      !stream->dict->get("Type")->isName("XRef")) {
    why = "a cross-reference stream is damaged";
    return false;
  }
  stream->streamLength = streamLength(*stream);
  const Dict& dict = *stream->dict;
  const Array* widths = dict.get("W") ? dict.get("W")->asArray() : nullptr;
  if (!widths || widths->size() != 3) {
    why = "a cross-reference stream has no field widths";
    return false;
  }
  int w[3];
  for (int i = 0; i < 3; ++i) {
    w[i] = static_cast<int>(numberAt(*widths, static_cast<size_t>(i)));
    if (w[i] < 0 || w[i] > 8) {
      why = "a cross-reference stream's field widths are out of range";
      return false;
    }
  }
  const std::string data = streamData(*stream);
  std::vector<std::pair<int64_t, int64_t>> ranges;
  if (const Array* index = dict.get("Index") ? dict.get("Index")->asArray() : nullptr) {
    for (size_t i = 0; i + 1 < index->size(); i += 2)
      ranges.emplace_back(static_cast<int64_t>(numberAt(*index, i)), static_cast<int64_t>(numberAt(*index, i + 1)));
  } else {
    ranges.emplace_back(
        0, dict.get("Size") && dict.get("Size")->kind == Object::Kind::Int ? dict.get("Size")->integer : 0);
  }
  const size_t entry = static_cast<size_t>(w[0] + w[1] + w[2]);
  size_t at2 = 0;
  auto field = [&](int width, uint64_t fallback) {
    if (width == 0) return fallback;
    uint64_t value = 0;
    for (int k = 0; k < width; ++k) value = (value << 8) | static_cast<unsigned char>(data[at2++]);
    return value;
  };
  for (const auto& [first, count] : ranges) {
    if (first < 0 || count < 0 || first + count > kMostObjectNumber) break;
    for (int64_t n = 0; n < count && entry > 0 && at2 + entry <= data.size(); ++n) {
      const uint64_t type = field(w[0], 1), two = field(w[1], 0), three = field(w[2], 0);
      const auto objectNumber = static_cast<uint32_t>(first + n);
      if (xref_.contains(objectNumber)) continue;
      if (type == 1 && two > 0 && two < bytes_.size())
        xref_[objectNumber] = {false, static_cast<size_t>(two), 0};
      else if (type == 2)
        xref_[objectNumber] = {true, static_cast<size_t>(two), static_cast<uint32_t>(three)};
      else if (type == 0)
        xref_[objectNumber] = {false, 0, 0};
    }
  }
  mergeTrailer(trailer_, dict);
  return true;
}

void Document::scan() {
  repaired_ = true;
  xref_.clear();
  cache_.clear();
  Dict found;
  // Every "N G obj" of the file; a later one (an incremental update) replaces an earlier.
  for (size_t at = bytes_.find("obj"); at != std::string::npos; at = bytes_.find("obj", at + 3)) {
    if (at + 3 < bytes_.size() && !isPdfWhite(bytes_[at + 3]) && !isPdfDelimiter(bytes_[at + 3])) continue;
    size_t i = at;
    auto back = [&](bool digits) {
      const size_t end = i;
      while (i > 0 && (digits ? isDigit(bytes_[i - 1]) : isPdfWhite(bytes_[i - 1]))) --i;
      return i < end;
    };
    if (!back(false) || !back(true)) continue;
    const size_t generationStart = i;
    if (!back(false) || !back(true)) continue;
    if (i > 0 && !isPdfWhite(bytes_[i - 1]) && !isPdfDelimiter(bytes_[i - 1])) continue;
    const int64_t number = std::strtoll(bytes_.c_str() + i, nullptr, 10);
    (void)generationStart;
    if (number > 0 && number <= kMostObjectNumber) xref_[static_cast<uint32_t>(number)] = {false, i, 0};
  }
  // The trailers, newest last; a cross-reference stream's dictionary serves as one too.
  Dict trailer;
  for (size_t at = bytes_.find("trailer"); at != std::string::npos; at = bytes_.find("trailer", at + 7)) {
    Parser parser(bytes_, at + 7);
    if (const std::optional<Object> dict = parser.object(); dict && dict->asDict()) {
      Dict newer = *dict->asDict();
      mergeTrailer(newer, trailer);
      trailer = std::move(newer);
    }
  }
  if (!trailer.get("Root")) {
    for (const auto& [number, entry] : xref_) {
      const Object object = resolve(Object{Object::Kind::RefKind, false, 0, 0, {}, nullptr, nullptr, {number, 0}});
      const Dict* dict = object.asDict();
      if (!dict) continue;
      if (const Object* type = dict->get("Type"); type && type->isName("Catalog")) {
        Object root;
        root.kind = Object::Kind::RefKind;
        root.ref = {number, 0};
        trailer.entries.emplace_back("Root", root);
        break;
      }
    }
  }
  trailer_ = std::move(trailer);
}

size_t Document::streamLength(const Object& stream) {
  const size_t start = stream.streamStart;
  if (start > bytes_.size()) return 0;
  const Object length = stream.dict->get("Length") ? resolve(*stream.dict->get("Length")) : Object{};
  if (length.kind == Object::Kind::Int && length.integer >= 0 &&
      static_cast<size_t>(length.integer) <= bytes_.size() - start) {
    Parser after(bytes_, start + static_cast<size_t>(length.integer));
    if (after.keyword() == "endstream") return static_cast<size_t>(length.integer);
  }
  // A wrong or missing length: up to "endstream", less the line end before it.
  size_t end = bytes_.find("endstream", start);
  if (end == std::string::npos) end = bytes_.size();
  if (end > start && bytes_[end - 1] == '\n') --end;
  if (end > start && bytes_[end - 1] == '\r') --end;
  return end - start;
}

Object Document::load(uint32_t number) {
  const auto entry = xref_.find(number);
  if (entry == xref_.end()) return {};
  if (entry->second.inStream) return fromObjectStream(static_cast<uint32_t>(entry->second.offset), entry->second.index);
  if (entry->second.offset == 0 || entry->second.offset >= bytes_.size()) return {};
  Parser parser(bytes_, entry->second.offset);
  const std::optional<Object> found = parser.object(), generation = parser.object();
  if (!found || found->kind != Object::Kind::Int || static_cast<uint32_t>(found->integer) != number ||
      parser.keyword() != "obj") {
    if (repaired_) return {};
    // The table points elsewhere than the object: the file is read again by a scan.
    const Dict trailer = trailer_;
    scan();
    mergeTrailer(trailer_, trailer);
    return load(number);
  }
  std::optional<Object> object = parser.object();
  if (!object) return {};
  const Ref owner{number,
                  generation && generation->kind == Object::Kind::Int ? static_cast<uint32_t>(generation->integer) : 0};
  if (object->kind == Object::Kind::Stream) {
    object->streamLength = streamLength(*object);
    object->ref = owner;  // whose key decrypts the data
  }
  if (security_) security_->decryptStrings(*object, owner);
  return *object;
}

Object Document::fromObjectStream(uint32_t streamNumber, uint32_t index) {
  auto offsets = objectStreams_.find(streamNumber);
  if (offsets == objectStreams_.end()) {
    const Object stream = resolve(Object{Object::Kind::RefKind, false, 0, 0, {}, nullptr, nullptr, {streamNumber, 0}});
    auto table = std::make_shared<std::vector<std::pair<uint32_t, size_t>>>();
    std::string data;
    if (stream.kind == Object::Kind::Stream) {
      data = streamData(stream);
      const Object count = get(*stream.dict, "N"), first = get(*stream.dict, "First");
      Parser header(data, 0);
      for (int64_t i = 0; count.kind == Object::Kind::Int && i < count.integer && i < 1'000'000; ++i) {
        const std::optional<Object> number = header.object(), offset = header.object();
        if (!number || !offset || number->kind != Object::Kind::Int || offset->kind != Object::Kind::Int) break;
        table->emplace_back(static_cast<uint32_t>(number->integer),
                            static_cast<size_t>(first.integer) + static_cast<size_t>(offset->integer));
      }
    }
    objectStreamData_[streamNumber] = std::move(data);
    offsets = objectStreams_.emplace(streamNumber, table).first;
  }
  if (index >= offsets->second->size()) return {};
  const std::string& data = objectStreamData_[streamNumber];
  Parser parser(data, (*offsets->second)[index].second);
  const std::optional<Object> object = parser.object();
  return object && object->kind != Object::Kind::Stream ? *object : Object{};
}

Object Document::resolve(const Object& object) {
  Object current = object;
  for (int hops = 0; current.kind == Object::Kind::RefKind && hops < 8; ++hops) {
    const uint32_t number = current.ref.number;
    if (const auto cached = cache_.find(number); cached != cache_.end()) {
      current = cached->second;
      continue;
    }
    if (!loading_.insert(number).second) return {};  // an object made of itself
    Object loaded = load(number);
    loading_.erase(number);
    cache_[number] = loaded;
    current = std::move(loaded);
  }
  return current.kind == Object::Kind::RefKind ? Object{} : current;
}

std::string Document::streamData(const Object& stream, std::string* failure, std::string* codec) {
  if (stream.kind != Object::Kind::Stream || stream.streamStart > bytes_.size()) return {};
  std::string data =
      bytes_.substr(stream.streamStart, std::min(stream.streamLength, bytes_.size() - stream.streamStart));
  // Cross-reference streams are never encrypted.
  if (security_ && !get(*stream.dict, "Type").isName("XRef")) data = security_->decryptStream(data, stream.ref);
  return decoded(std::move(data), get(*stream.dict, "Filter"), get(*stream.dict, "DecodeParms"), failure, codec);
}

std::string Document::decoded(std::string data, const Object& filter, const Object& parameters, std::string* failure,
                              std::string* codec) {
  std::vector<Object> filters, parameterList;
  if (filter.kind == Object::Kind::Name) {
    filters.push_back(filter);
    parameterList.push_back(parameters);
  } else if (const Array* names = filter.asArray()) {
    for (size_t i = 0; i < names->size() && i < 8; ++i) {
      filters.push_back(resolve((*names)[i]));
      const Array* each = parameters.asArray();
      parameterList.push_back(each && i < each->size() ? resolve((*each)[i]) : Object{});
    }
  }
  for (size_t i = 0; i < filters.size(); ++i) {
    if (filters[i].kind != Object::Kind::Name) continue;
    if (codec) {
      const std::string& name = filters[i].text;
      *codec = name == "DCT" ? "DCTDecode" : name == "CCF" ? "CCITTFaxDecode" : name;
      if (*codec == "DCTDecode" || *codec == "JPXDecode" || *codec == "JBIG2Decode" || *codec == "CCITTFaxDecode")
        return data;
      codec->clear();
    }
    Decoded decoded = decodeFilter(filters[i].text, data, &parameterList[i]);
    data = std::move(decoded.bytes);
    if (!decoded.failure.empty()) {
      if (failure) *failure = decoded.failure;
      break;
    }
  }
  return data;
}

void Document::collectPages(const Object& node, Page inherited, std::vector<Page>& pages, int depth,
                            std::unordered_set<uint32_t>& seen) {
  if (depth > kMostPageDepth || pages.size() >= kMostPages) return;
  if (node.kind == Object::Kind::RefKind && !seen.insert(node.ref.number).second) return;  // a tree that loops
  const Object resolved = resolve(node);
  const Dict* dict = resolved.asDict();
  if (!dict) return;
  if (const Object resources = get(*dict, "Resources"); resources.asDict()) inherited.resources = resources;
  const Object media = get(*dict, "MediaBox"), crop = get(*dict, "CropBox");
  if (const Array* box = media.asArray(); box && box->size() == 4) {
    for (size_t i = 0; i < 4; ++i) inherited.box[i] = numberAt(*box, i);
    inherited.dict = nullptr;
  }
  if (const Object rotate = get(*dict, "Rotate"); rotate.kind == Object::Kind::Int)
    inherited.rotate = static_cast<int>(((rotate.integer % 360) + 360) % 360 / 90 * 90);
  const Object kids = get(*dict, "Kids");
  if (const Array* children = kids.asArray(); children && !get(*dict, "Type").isName("Page")) {
    for (const Object& kid : *children) collectPages(kid, inherited, pages, depth + 1, seen);
    return;
  }
  Page page = inherited;
  page.dict = resolved.dict;
  // The corners in order, and within the crop box when there is one.
  double& x0 = page.box[0];
  double& y0 = page.box[1];
  double& x1 = page.box[2];
  double& y1 = page.box[3];
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  if (const Array* box = crop.asArray(); box && box->size() == 4) {
    double c[4];
    for (size_t i = 0; i < 4; ++i) c[i] = numberAt(*box, i);
    if (c[0] > c[2]) std::swap(c[0], c[2]);
    if (c[1] > c[3]) std::swap(c[1], c[3]);
    x0 = std::max(x0, c[0]), y0 = std::max(y0, c[1]), x1 = std::min(x1, c[2]), y1 = std::min(y1, c[3]);
  }
  if (x1 <= x0 || y1 <= y0) x0 = 0, y0 = 0, x1 = 612, y1 = 792;  // a box of nothing: a letter page
  if (const Object unit = get(*dict, "UserUnit"); unit.isNumber() && unit.number() > 0 && unit.number() < 1000)
    page.userUnit = unit.number();
  pages.push_back(std::move(page));
}

std::vector<Page> Document::pages() {
  std::vector<Page> pages;
  const Object root = get(trailer_, "Root");
  const Dict* catalog = root.asDict();
  if (!catalog || !catalog->get("Pages")) return pages;
  std::unordered_set<uint32_t> seen;
  collectPages(*catalog->get("Pages"), Page{}, pages, 0, seen);
  return pages;
}

}  // namespace refconv::pdf
