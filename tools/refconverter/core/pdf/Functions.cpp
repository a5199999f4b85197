#include "core/pdf/Functions.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

namespace refconv::pdf {

namespace {

constexpr int kMostFunctionDepth = 8;
constexpr size_t kMostSamples = 1u << 22;
constexpr size_t kMostSteps = 100'000;

double interpolate(double x, double x0, double x1, double y0, double y1) {
  return x1 == x0 ? y0 : y0 + (x - x0) * (y1 - y0) / (x1 - x0);
}

// Type 0: a table of samples, read multilinearly.
class Sampled : public Function {
 public:
  bool load(Document& document, const Object& stream) {
    const Dict& dict = *stream.asDict();
    size_ = document.numbers(dict, "Size", 1024);
    const Object bits = document.get(dict, "BitsPerSample");
    bits_ = bits.kind == Object::Kind::Int ? static_cast<int>(bits.integer) : 0;
    if (domain_.size() / 2 != size_.size() || size_.empty() || size_.size() > 8 || range_.empty()) return false;
    if (bits_ != 1 && bits_ != 2 && bits_ != 4 && bits_ != 8 && bits_ != 12 && bits_ != 16 && bits_ != 24 &&
        bits_ != 32)
      return false;
    size_t count = range_.size() / 2;
    for (const double s : size_) {
      if (!(s >= 1) || count * s > kMostSamples) return false;
      count *= static_cast<size_t>(s);
    }
    encode_ = document.numbers(dict, "Encode", 1024);
    decode_ = document.numbers(dict, "Decode", 1024);
    if (encode_.size() != 2 * size_.size()) encode_.clear();
    if (encode_.empty())
      for (const double s : size_) encode_.insert(encode_.end(), {0, s - 1});
    if (decode_.size() != range_.size()) decode_ = range_;
    data_ = document.streamData(stream);
    if (data_.size() * 8 < count * bits_) data_.resize((count * bits_ + 7) / 8, '\0');
    return true;
  }

 private:
  double sample(size_t index) const {
    const size_t bit = index * bits_;
    uint64_t value = 0;
    for (int k = 0; k < bits_; ++k) {
      const size_t b = bit + k;
      value = value << 1 | ((static_cast<unsigned char>(data_[b / 8]) >> (7 - b % 8)) & 1);
    }
    return static_cast<double>(value) / (std::pow(2.0, bits_) - 1);
  }

  std::vector<double> evaluate(const std::vector<double>& in) const override {
    const size_t m = size_.size(), n = range_.size() / 2;
    std::vector<double> e(m);
    for (size_t i = 0; i < m; ++i)
      e[i] = std::clamp(interpolate(in[i], domain_[2 * i], domain_[2 * i + 1], encode_[2 * i], encode_[2 * i + 1]), 0.0,
                        size_[i] - 1);
    std::vector<double> out(n, 0);
    // The 2^m corners round the point, each weighted by its nearness.
    for (size_t corner = 0; corner < (size_t{1} << m); ++corner) {
      double weight = 1;
      size_t index = 0, stride = 1;
      for (size_t i = 0; i < m; ++i) {
        const double low = std::floor(e[i]), t = e[i] - low;
        const bool up = (corner >> i) & 1;
        const size_t at = static_cast<size_t>(std::min(low + (up ? 1 : 0), size_[i] - 1));
        weight *= up ? t : 1 - t;
        index += at * stride;
        stride *= static_cast<size_t>(size_[i]);
      }
      if (weight == 0) continue;
      for (size_t j = 0; j < n; ++j) out[j] += weight * sample(index * n + j);
    }
    for (size_t j = 0; j < n; ++j) out[j] = decode_[2 * j] + out[j] * (decode_[2 * j + 1] - decode_[2 * j]);
    return out;
  }

  std::vector<double> size_, encode_, decode_;
  int bits_ = 8;
  std::string data_;
};

// Type 2: C0 + x^N (C1 - C0).
class Exponential : public Function {
 public:
  void load(Document& document, const Dict& dict) {
    c0_ = document.numbers(dict, "C0", 1024);
    c1_ = document.numbers(dict, "C1", 1024);
    if (c0_.empty()) c0_ = {0};
    if (c1_.empty()) c1_ = {1};
    c1_.resize(c0_.size(), 1);
    const Object n = document.get(dict, "N");
    n_ = n.isNumber() ? n.number() : 1;
    outputs_ = c0_.size();
  }

 private:
  std::vector<double> evaluate(const std::vector<double>& in) const override {
    const double p = std::pow(in[0], n_);
    std::vector<double> out(c0_.size());
    for (size_t j = 0; j < out.size(); ++j) out[j] = c0_[j] + (std::isfinite(p) ? p : 0) * (c1_[j] - c0_[j]);
    return out;
  }
  std::vector<double> c0_, c1_;
  double n_ = 1;
};

// Type 3: one function of several over each part of the domain.
class Stitching : public Function {
 public:
  bool load(Document& document, const Dict& dict, int depth) {
    const Array* parts = document.get(dict, "Functions").asArray();
    if (!parts || parts->empty() || parts->size() > 256 || domain_.size() < 2) return false;
    for (const Object& part : *parts) {
      functions_.push_back(makeFunction(document, part, depth + 1));
      if (!functions_.back()) return false;
    }
    bounds_ = document.numbers(dict, "Bounds", 1024);
    encode_ = document.numbers(dict, "Encode", 1024);
    if (bounds_.size() + 1 != functions_.size() || encode_.size() != 2 * functions_.size()) return false;
    outputs_ = functions_[0]->outputs();
    return true;
  }

 private:
  std::vector<double> evaluate(const std::vector<double>& in) const override {
    const double x = in[0];
    size_t k = 0;
    while (k < bounds_.size() && x >= bounds_[k]) ++k;
    const double low = k == 0 ? domain_[0] : bounds_[k - 1], high = k == bounds_.size() ? domain_[1] : bounds_[k];
    return (*functions_[k])({interpolate(x, low, high, encode_[2 * k], encode_[2 * k + 1])});
  }
  std::vector<std::shared_ptr<const Function>> functions_;
  std::vector<double> bounds_, encode_;
};

// Type 4: a program of PostScript's arithmetic, relational, boolean, conditional and stack
// operators.
class Calculator : public Function {
 public:
  bool load(const std::string& text) {
    size_t at = text.find('{');
    if (at == std::string::npos) return false;
    ++at;
    return parse(text, at, program_, 0);
  }

 private:
  struct Step {
    std::string op;  // empty: a number
    double value = 0;
    std::vector<Step> then, otherwise;  // "if" and "ifelse"
  };

  static bool parse(const std::string& text, size_t& at, std::vector<Step>& out, int depth) {
    std::vector<std::vector<Step>> blocks;  // procedures waiting for their if or ifelse
    while (at < text.size()) {
      const char c = text[at];
      if (isPdfWhite(c)) {
        ++at;
      } else if (c == '{') {
        if (depth > 16) return false;
        blocks.emplace_back();
        ++at;
        if (!parse(text, at, blocks.back(), depth + 1)) return false;
      } else if (c == '}') {
        ++at;
        return blocks.empty();
      } else {
        const size_t start = at;
        while (at < text.size() && !isPdfWhite(text[at]) && text[at] != '{' && text[at] != '}') ++at;
        const std::string token = text.substr(start, at - start);
        Step step;
        char* end = nullptr;
        step.value = std::strtod(token.c_str(), &end);
        if (end == token.c_str() || *end != '\0') step.op = token;
        if (step.op == "if" && blocks.size() == 1) {
          step.then = std::move(blocks[0]);
        } else if (step.op == "ifelse" && blocks.size() == 2) {
          step.then = std::move(blocks[0]);
          step.otherwise = std::move(blocks[1]);
        } else if (!blocks.empty()) {
          return false;
        }
        blocks.clear();
        out.push_back(std::move(step));
      }
    }
    return false;
  }

  bool run(const std::vector<Step>& program, std::vector<double>& s, size_t& steps) const {
    for (const Step& step : program) {
      if (++steps > kMostSteps || s.size() > 100) return false;
      const std::string& op = step.op;
      if (op.empty()) {
        s.push_back(step.value);
        continue;
      }
      auto pop = [&] {
        const double v = s.back();
        s.pop_back();
        return v;
      };
      const size_t need = op == "true" || op == "false" ? 0
                          : op == "abs" || op == "neg" || op == "ceiling" || op == "floor" || op == "round" ||
                                  op == "truncate" || op == "sqrt" || op == "sin" || op == "cos" || op == "ln" ||
                                  op == "log" || op == "cvi" || op == "cvr" || op == "not" || op == "dup" ||
                                  op == "pop" || op == "if" || op == "ifelse" || op == "index" || op == "copy"
                              ? 1
                              : 2;
      if (s.size() < need) return false;
      if (op == "if" || op == "ifelse") {
        if (!run(pop() != 0 ? step.then : step.otherwise, s, steps)) return false;
      } else if (op == "true" || op == "false") {
        s.push_back(op == "true");
      } else if (op == "dup") {
        s.push_back(s.back());
      } else if (op == "pop") {
        s.pop_back();
      } else if (op == "exch") {
        std::swap(s[s.size() - 1], s[s.size() - 2]);
      } else if (op == "index" || op == "copy") {
        const double n = pop();
        if (!(n >= 0) || n >= static_cast<double>(s.size()) + (op == "copy")) return false;
        const auto k = static_cast<size_t>(n);
        if (op == "index") {
          s.push_back(s[s.size() - 1 - k]);
        } else {
          const size_t from = s.size() - k;
          for (size_t i = 0; i < k; ++i) s.push_back(s[from + i]);
        }
      } else if (op == "roll") {
        const double j = pop(), n = pop();
        if (!(n >= 0) || n > static_cast<double>(s.size()) || !std::isfinite(j)) return false;
        const auto count = static_cast<long long>(n);
        if (count > 0) {
          const long long shift = ((static_cast<long long>(j) % count) + count) % count;
          std::rotate(s.end() - count, s.end() - shift, s.end());
        }
      } else if (need == 1) {
        const double a = pop();
        const double r = op == "abs"        ? std::fabs(a)
                         : op == "neg"      ? -a
                         : op == "ceiling"  ? std::ceil(a)
                         : op == "floor"    ? std::floor(a)
                         : op == "round"    ? std::floor(a + 0.5)
                         : op == "truncate" ? std::trunc(a)
                         : op == "sqrt"     ? std::sqrt(std::max(a, 0.0))
                         : op == "sin"      ? std::sin(a * std::numbers::pi / 180)
                         : op == "cos"      ? std::cos(a * std::numbers::pi / 180)
                         : op == "ln"       ? std::log(a)
                         : op == "log"      ? std::log10(a)
                         : op == "cvi"      ? std::trunc(a)
                         : op == "cvr"      ? a
                                            : (a == 0);  // not
        s.push_back(std::isfinite(r) ? r : 0);
      } else {
        const double b = pop(), a = pop();
        auto integer = [](double v) { return static_cast<long long>(std::clamp(v, -1e15, 1e15)); };
        double r = 0;
        if (op == "add")
          r = a + b;
        else if (op == "sub")
          r = a - b;
        else if (op == "mul")
          r = a * b;
        else if (op == "div")
          r = b == 0 ? 0 : a / b;
        else if (op == "idiv")
          r = integer(b) == 0 ? 0 : static_cast<double>(integer(a) / integer(b));
        else if (op == "mod")
          r = integer(b) == 0 ? 0 : static_cast<double>(integer(a) % integer(b));
        else if (op == "atan")
          r = std::fmod(std::atan2(a, b) * 180 / std::numbers::pi + 360, 360);
        else if (op == "exp")
          r = std::pow(a, b);
        else if (op == "eq")
          r = a == b;
        else if (op == "ne")
          r = a != b;
        else if (op == "gt")
          r = a > b;
        else if (op == "ge")
          r = a >= b;
        else if (op == "lt")
          r = a < b;
        else if (op == "le")
          r = a <= b;
        else if (op == "and")
          r = static_cast<double>(integer(a) & integer(b));
        else if (op == "or")
          r = static_cast<double>(integer(a) | integer(b));
        else if (op == "xor")
          r = static_cast<double>(integer(a) ^ integer(b));
        else if (op == "bitshift")
          r = static_cast<double>(b >= 0 ? integer(a) << std::min(integer(b), 62LL)
                                         : integer(a) >> std::min(-integer(b), 62LL));
        else
          return false;  // an operator the calculator does not have
        s.push_back(std::isfinite(r) ? r : 0);
      }
    }
    return true;
  }

  std::vector<double> evaluate(const std::vector<double>& in) const override {
    std::vector<double> stack = in;
    size_t steps = 0;
    const size_t n = outputs();
    if (!run(program_, stack, steps) || stack.size() < n) return std::vector<double>(n, 0);
    return std::vector<double>(stack.end() - static_cast<long>(n), stack.end());
  }
  std::vector<Step> program_;
};

// Several functions of one input, their outputs side by side.
class Together : public Function {
 public:
  std::vector<std::shared_ptr<const Function>> parts;

 private:
  std::vector<double> evaluate(const std::vector<double>& in) const override {
    std::vector<double> out;
    for (const auto& part : parts) {
      const std::vector<double> one = (*part)(in);
      out.insert(out.end(), one.begin(), one.end());
    }
    return out;
  }
};

}  // namespace

std::vector<double> Function::operator()(const std::vector<double>& in) const {
  const size_t m = std::max<size_t>(1, domain_.size() / 2);
  std::vector<double> x(m, 0);
  for (size_t i = 0; i < m; ++i) {
    x[i] = i < in.size() && std::isfinite(in[i]) ? in[i] : 0;
    if (2 * i + 1 < domain_.size())
      x[i] = std::clamp(x[i], domain_[2 * i], std::max(domain_[2 * i], domain_[2 * i + 1]));
  }
  std::vector<double> out = evaluate(x);
  for (size_t j = 0; j < out.size(); ++j) {
    if (!std::isfinite(out[j])) out[j] = 0;
    if (2 * j + 1 < range_.size())
      out[j] = std::clamp(out[j], range_[2 * j], std::max(range_[2 * j], range_[2 * j + 1]));
  }
  return out;
}

std::shared_ptr<const Function> makeFunction(Document& document, const Object& object, int depth) {
  if (depth > kMostFunctionDepth) return nullptr;
  const Object resolved = document.resolve(object);
  if (const Array* array = resolved.asArray()) {
    auto together = std::make_shared<Together>();
    for (size_t i = 0; i < array->size() && i < 32; ++i) {
      together->parts.push_back(makeFunction(document, (*array)[i], depth + 1));
      if (!together->parts.back()) return nullptr;
    }
    together->outputs_ = together->parts.size();
    return together->parts.empty() ? nullptr : together;
  }
  const Dict* dict = resolved.asDict();
  if (!dict) return nullptr;
  const Object type = document.get(*dict, "FunctionType");
  std::shared_ptr<Function> made;
  const std::vector<double> domain = document.numbers(*dict, "Domain"), range = document.numbers(*dict, "Range");
  if (domain.size() < 2 || domain.size() % 2 != 0 || range.size() % 2 != 0) return nullptr;
  auto setUp = [&](Function& f) {
    f.domain_ = domain;
    f.range_ = range;
  };
  switch (type.kind == Object::Kind::Int ? type.integer : -1) {
    case 0: {
      if (resolved.kind != Object::Kind::Stream) return nullptr;
      auto f = std::make_shared<Sampled>();
      setUp(*f);
      if (!f->load(document, resolved)) return nullptr;
      made = f;
      break;
    }
    case 2: {
      auto f = std::make_shared<Exponential>();
      setUp(*f);
      f->load(document, *dict);
      made = f;
      break;
    }
    case 3: {
      auto f = std::make_shared<Stitching>();
      setUp(*f);
      if (!f->load(document, *dict, depth)) return nullptr;
      made = f;
      break;
    }
    case 4: {
      if (resolved.kind != Object::Kind::Stream || range.empty()) return nullptr;
      auto f = std::make_shared<Calculator>();
      setUp(*f);
      if (!f->load(document.streamData(resolved))) return nullptr;
      made = f;
      break;
    }
    default: return nullptr;
  }
  return made;
}

}  // namespace refconv::pdf
