#include "core/pdf/Security.h"

#include <algorithm>
#include <array>

namespace refconv::pdf {

namespace {

// The 32 bytes a password is padded with.
constexpr std::string_view kPadding(
    "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
    "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A",
    32);

const Object* entry(const Dict& dict, std::string_view key) { return dict.get(key); }

int integerOf(const Dict& dict, std::string_view key, int fallback) {
  const Object* o = entry(dict, key);
  return o && o->kind == Object::Kind::Int ? static_cast<int>(o->integer) : fallback;
}

std::string stringOf(const Dict& dict, std::string_view key) {
  const Object* o = entry(dict, key);
  return o && o->kind == Object::Kind::String ? o->text : std::string();
}

std::string littleEndian(uint32_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// ISO 32000-2's hash of a password for revision 6 (algorithm 2.B).
std::string hash6(Crypto& crypto, std::string_view password, std::string_view salt, std::string_view user) {
  std::string k = crypto.sha2(256, std::string(password) + std::string(salt) + std::string(user));
  for (int round = 0;; ++round) {
    std::string k1;
    const std::string once = std::string(password) + k + std::string(user);
    for (int i = 0; i < 64; ++i) k1 += once;
    const std::string e = crypto.aes(true, k.substr(0, 16), k.substr(16, 16), k1);
    if (e.size() < 16) return {};
    int sum = 0;
    for (int i = 0; i < 16; ++i) sum += static_cast<unsigned char>(e[i]);
    k = crypto.sha2(sum % 3 == 0 ? 256 : sum % 3 == 1 ? 384 : 512, e);
    if (round >= 63 && static_cast<unsigned char>(e.back()) <= round - 32) break;
    if (round > 1000) return {};  // never, for a real AES; bounded all the same
  }
  return k.substr(0, 32);
}

}  // namespace

std::string rc4(std::string_view key, std::string_view data) {
  std::array<uint8_t, 256> s;
  for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
  if (key.empty()) return std::string(data);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xFF;
    std::swap(s[i], s[j]);
  }
  std::string out(data);
  for (size_t n = 0, i = 0, j = 0; n < out.size(); ++n) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    out[n] = static_cast<char>(out[n] ^ s[(s[i] + s[j]) & 0xFF]);
  }
  return out;
}

std::unique_ptr<Security> Security::make(const Dict& encrypt, const std::string& id, Crypto* crypto, std::string& why) {
  const Object* filter = entry(encrypt, "Filter");
  if (!filter || !filter->isName("Standard")) {
    why = "the PDF is encrypted for a security handler other than the standard one";
    return nullptr;
  }
  if (!crypto) {
    why = "the PDF is encrypted, and this reader has no decryption";
    return nullptr;
  }
  auto security = std::make_unique<Security>();
  security->crypto_ = crypto;
  const int v = integerOf(encrypt, "V", 0), r = integerOf(encrypt, "R", 0);
  security->revision_ = r;
  const std::string o = stringOf(encrypt, "O"), u = stringOf(encrypt, "U");
  // The crypt filters of V 4 and 5: the method named by StmF and StrF.
  auto methodOf = [&](std::string_view key) {
    if (v < 4) return Method::Rc4;
    const Object* name = entry(encrypt, key);
    if (!name || name->isName("Identity")) return Method::None;
    const Object* filters = entry(encrypt, "CF");
    const Object* filterDict = filters && filters->asDict() ? filters->asDict()->get(name->text) : nullptr;
    const Object* cfm = filterDict && filterDict->asDict() ? filterDict->asDict()->get("CFM") : nullptr;
    return cfm && (cfm->isName("AESV2") || cfm->isName("AESV3")) ? Method::Aes
           : cfm && cfm->isName("None")                          ? Method::None
                                                                 : Method::Rc4;
  };
  security->strings_ = methodOf("StrF");
  security->streams_ = methodOf("StmF");
  if (r == 5 || r == 6) {
    // AES-256: the user password's hash against U; the file key from UE.
    if (u.size() < 48 || stringOf(encrypt, "UE").size() < 32) {
      why = "the PDF's encryption dictionary is damaged";
      return nullptr;
    }
    auto hash = [&](std::string_view salt) {
      return r == 5 ? crypto->sha2(256, std::string(salt)) : hash6(*crypto, "", salt, "");
    };
    if (hash(u.substr(32, 8)) != u.substr(0, 32)) {
      why = "the PDF needs a password to open";
      return nullptr;
    }
    security->key_ =
        crypto->aes(false, hash(u.substr(40, 8)), std::string(16, '\0'), stringOf(encrypt, "UE").substr(0, 32));
    return security;
  }
  if (r < 2 || r > 4 || o.size() < 32 || u.size() < 32) {
    why = "the PDF is encrypted in a way this reader does not know";
    return nullptr;
  }
  // The file key from the empty password (algorithm 2), checked against U (4 and 5).
  const size_t length =
      r == 2 ? 5 : std::clamp<size_t>(static_cast<size_t>(integerOf(encrypt, "Length", 40)) / 8, 5, 16);
  const Object* metadata = entry(encrypt, "EncryptMetadata");
  std::string key = crypto->md5(std::string(kPadding) + o.substr(0, 32) +
                                littleEndian(static_cast<uint32_t>(integerOf(encrypt, "P", 0)), 4) + id +
                                (r >= 4 && metadata && metadata->kind == Object::Kind::Bool && !metadata->boolean
                                     ? std::string(4, '\xFF')
                                     : std::string()));
  if (r >= 3)
    for (int i = 0; i < 50; ++i) key = crypto->md5(key.substr(0, length));
  key.resize(length);
  bool opens;
  if (r == 2) {
    opens = rc4(key, kPadding) == u.substr(0, 32);
  } else {
    std::string check = rc4(key, crypto->md5(std::string(kPadding) + id));
    for (int i = 1; i <= 19; ++i) {
      std::string round = key;
      for (char& c : round) c = static_cast<char>(c ^ i);
      check = rc4(round, check);
    }
    opens = check.substr(0, 16) == u.substr(0, 16);
  }
  if (!opens) {
    why = "the PDF needs a password to open";
    return nullptr;
  }
  security->key_ = key;
  return security;
}

std::string Security::decrypt(std::string_view data, Ref owner, Method method) const {
  if (method == Method::None) return std::string(data);
  std::string key = key_;
  if (revision_ < 5) {
    // Each object's own key (algorithm 1).
    std::string seed = key_ + littleEndian(owner.number, 3) + littleEndian(owner.generation, 2) +
                       (method == Method::Aes ? "sAlT" : "");
    key = crypto_->md5(seed).substr(0, std::min<size_t>(key_.size() + 5, 16));
  }
  if (method == Method::Rc4) return rc4(key, data);
  // AES: the first block is the IV; the last is padded as PKCS#5 says.
  if (data.size() < 32 || data.size() % 16 != 0) return {};
  std::string plain = crypto_->aes(false, key, data.substr(0, 16), data.substr(16));
  const auto pad = plain.empty() ? 0u : static_cast<unsigned char>(plain.back());
  if (pad >= 1 && pad <= 16 && pad <= plain.size()) plain.resize(plain.size() - pad);
  return plain;
}

void Security::decryptStrings(Object& object, Ref owner, int depth) const {
  if (depth > kMostNesting) return;
  if (object.kind == Object::Kind::String) {
    object.text = decryptString(object.text, owner);
  } else if (object.kind == Object::Kind::ArrayKind && object.array) {
    for (Object& item : *object.array) decryptStrings(item, owner, depth + 1);
  } else if ((object.kind == Object::Kind::DictKind || object.kind == Object::Kind::Stream) && object.dict) {
    for (auto& [key, value] : object.dict->entries) decryptStrings(value, owner, depth + 1);
  }
}

}  // namespace refconv::pdf
