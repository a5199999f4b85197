#include "core/pdf/Objects.h"

#include <cmath>
#include <cstdlib>

namespace refconv::pdf {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isRegular(char c) { return !isPdfWhite(c) && !isPdfDelimiter(c); }

}  // namespace

bool isPdfWhite(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }
bool isPdfDelimiter(char c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' || c == '/' ||
         c == '%';
}

const Object* Dict::get(std::string_view key) const {
  for (const auto& [name, value] : entries)
    if (name == key) return &value;
  return nullptr;
}

size_t Parser::skipBlanks() {
  while (at_ < bytes_.size()) {
    if (isPdfWhite(bytes_[at_])) {
      ++at_;
    } else if (bytes_[at_] == '%') {
      while (at_ < bytes_.size() && bytes_[at_] != '\n' && bytes_[at_] != '\r') ++at_;
    } else {
      break;
    }
  }
  return at_;
}

std::string_view Parser::keyword() {
  skipBlanks();
  const size_t start = at_;
  while (at_ < bytes_.size() && isRegular(bytes_[at_])) ++at_;
  return bytes_.substr(start, at_ - start);
}

std::optional<Object> Parser::number() {
  const size_t start = at_;
  bool real = false;
  if (at_ < bytes_.size() && (bytes_[at_] == '+' || bytes_[at_] == '-')) ++at_;
  while (at_ < bytes_.size() && ((bytes_[at_] >= '0' && bytes_[at_] <= '9') || bytes_[at_] == '.')) {
    real = real || bytes_[at_] == '.';
    ++at_;
  }
  const std::string digits(bytes_.substr(start, at_ - start));
  if (digits.empty() || digits == "+" || digits == "-" || digits == "." || digits == "-." || digits == "+.")
    return Object{};  // a stray sign is read as 0, as readers do
  Object object;
  if (real) {
    object.kind = Object::Kind::Real;
    object.real = std::strtod(digits.c_str(), nullptr);
    if (!std::isfinite(object.real)) object.real = 0;  // 400 digits: no number a drawing needs
  } else {
    object.kind = Object::Kind::Int;
    object.integer = std::strtoll(digits.c_str(), nullptr, 10);
  }
  return object;
}

std::string Parser::literalString() {
  std::string text;
  int depth = 1;
  ++at_;  // "("
  while (at_ < bytes_.size()) {
    char c = bytes_[at_++];
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth == 0) break;
    } else if (c == '\\' && at_ < bytes_.size()) {
      c = bytes_[at_++];
      switch (c) {
        case 'n': c = '\n'; break;
        case 'r': c = '\r'; break;
        case 't': c = '\t'; break;
        case 'b': c = '\b'; break;
        case 'f': c = '\f'; break;
        case '\r':
          if (at_ < bytes_.size() && bytes_[at_] == '\n') ++at_;
          continue;
        case '\n': continue;
        default:
          if (c >= '0' && c <= '7') {
            int value = c - '0';
            for (int k = 0; k < 2 && at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '7'; ++k)
              value = value * 8 + (bytes_[at_++] - '0');
            c = static_cast<char>(value & 0xFF);
          }
      }
    } else if (c == '\r') {
      // An end of line in a string is a line feed, whichever it was.
      if (at_ < bytes_.size() && bytes_[at_] == '\n') ++at_;
      c = '\n';
    }
    text += c;
  }
  return text;
}

std::string Parser::hexString() {
  std::string text;
  ++at_;  // "<"
  int high = -1;
  while (at_ < bytes_.size() && bytes_[at_] != '>') {
    const int value = hexValue(bytes_[at_++]);
    if (value < 0) continue;
    if (high < 0) {
      high = value;
    } else {
      text += static_cast<char>(high * 16 + value);
      high = -1;
    }
  }
  if (high >= 0) text += static_cast<char>(high * 16);  // an odd digit stands for x0
  if (at_ < bytes_.size()) ++at_;
  return text;
}

std::string Parser::name() {
  std::string text;
  ++at_;  // "/"
  while (at_ < bytes_.size() && isRegular(bytes_[at_])) {
    const char c = bytes_[at_++];
    if (c == '#' && at_ + 1 < bytes_.size() && hexValue(bytes_[at_]) >= 0 && hexValue(bytes_[at_ + 1]) >= 0) {
      text += static_cast<char>(hexValue(bytes_[at_]) * 16 + hexValue(bytes_[at_ + 1]));
      at_ += 2;
    } else {
      text += c;
    }
  }
  return text;
}

std::optional<Object> Parser::object(int depth) {
  if (depth > kMostNesting) return std::nullopt;
  skipBlanks();
  if (at_ >= bytes_.size()) return std::nullopt;
  const char c = bytes_[at_];
  Object object;
  if (c == '/') {
    object.kind = Object::Kind::Name;
    object.text = name();
  } else if (c == '(') {
    object.kind = Object::Kind::String;
    object.text = literalString();
  } else if (c == '<' && at_ + 1 < bytes_.size() && bytes_[at_ + 1] == '<') {
    at_ += 2;
    object.kind = Object::Kind::DictKind;
    object.dict = std::make_shared<Dict>();
    for (;;) {
      skipBlanks();
      if (at_ + 1 < bytes_.size() && bytes_[at_] == '>' && bytes_[at_ + 1] == '>') {
        at_ += 2;
        break;
      }
      if (at_ >= bytes_.size() || bytes_[at_] != '/') {
        // A key that is no name: the damage is passed over up to the next name or the end.
        if (at_ >= bytes_.size() || !this->object(depth + 1)) return std::nullopt;
        continue;
      }
      std::string key = name();
      std::optional<Object> value = this->object(depth + 1);
      if (!value) return std::nullopt;
      object.dict->entries.emplace_back(std::move(key), std::move(*value));
    }
    // A stream: its dictionary, then "stream" and one line end.
    const size_t after = at_;
    if (keyword() == "stream") {
      if (at_ < bytes_.size() && bytes_[at_] == '\r') ++at_;
      if (at_ < bytes_.size() && bytes_[at_] == '\n') ++at_;
      object.kind = Object::Kind::Stream;
      object.streamStart = at_;
    } else {
      at_ = after;
    }
  } else if (c == '<') {
    object.kind = Object::Kind::String;
    object.text = hexString();
  } else if (c == '[') {
    ++at_;
    object.kind = Object::Kind::ArrayKind;
    object.array = std::make_shared<Array>();
    for (;;) {
      skipBlanks();
      if (at_ >= bytes_.size()) return std::nullopt;
      if (bytes_[at_] == ']') {
        ++at_;
        break;
      }
      std::optional<Object> item = this->object(depth + 1);
      if (!item) return std::nullopt;
      object.array->push_back(std::move(*item));
    }
  } else if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.') {
    std::optional<Object> first = number();
    // "12 0 R": a reference; anything else after a number leaves the number alone.
    if (first && first->kind == Object::Kind::Int && first->integer >= 0) {
      const size_t after = at_;
      skipBlanks();
      if (at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '9') {
        std::optional<Object> second = number();
        if (second && second->kind == Object::Kind::Int && second->integer >= 0 && keyword() == "R") {
          object.kind = Object::Kind::RefKind;
          object.ref = {static_cast<uint32_t>(first->integer), static_cast<uint32_t>(second->integer)};
          return object;
        }
      }
      at_ = after;
    }
    return first;
  } else if (c == ')' || c == '>' || c == ']' || c == '{' || c == '}') {
    ++at_;  // a stray delimiter
    return Object{};
  } else {
    const std::string_view word = keyword();
    if (word == "true" || word == "false") {
      object.kind = Object::Kind::Bool;
      object.boolean = word == "true";
    } else if (word != "null") {
      return std::nullopt;  // a keyword ("endobj", an operator): no object here
    }
  }
  return object;
}

}  // namespace refconv::pdf
