// The standard security handler (ISO 32000-1, 7.6; ISO 32000-2 for AES-256): a file encrypted
// with an empty user password (RC4 40 to 128 bits, AES-128, AES-256) is opened as any reader
// opens it without asking; any other is refused with the reason. The hashes and AES are the
// platform's (CNG on Windows), given through `Crypto`; RC4 is here.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/pdf/Objects.h"

namespace refconv::pdf {

class Crypto {
 public:
  virtual ~Crypto() = default;
  virtual std::string md5(std::string_view data) = 0;
  virtual std::string sha2(int bits, std::string_view data) = 0;  // SHA-256, -384 or -512
  // AES in CBC mode without padding: `data` a whole number of 16-byte blocks.
  virtual std::string aes(bool encrypt, std::string_view key, std::string_view iv, std::string_view data) = 0;
};

std::string rc4(std::string_view key, std::string_view data);

class Security {
 public:
  // The handler of an Encrypt dictionary (its entries resolved) with the file's first ID;
  // nothing, and `why`, when the file cannot be opened without a password or a method.
  static std::unique_ptr<Security> make(const Dict& encrypt, const std::string& id, Crypto* crypto, std::string& why);

  std::string decryptString(std::string_view data, Ref owner) const { return decrypt(data, owner, strings_); }
  std::string decryptStream(std::string_view data, Ref owner) const { return decrypt(data, owner, streams_); }
  // Every string within an object read from the file, in place.
  void decryptStrings(Object& object, Ref owner, int depth = 0) const;

 private:
  enum class Method { None, Rc4, Aes };
  std::string decrypt(std::string_view data, Ref owner, Method method) const;

  Crypto* crypto_ = nullptr;
  std::string key_;
  int revision_ = 0;
  Method strings_ = Method::Rc4, streams_ = Method::Rc4;
};

}  // namespace refconv::pdf
