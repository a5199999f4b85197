// The hashes and AES an encrypted PDF needs, from Windows' CNG (bcrypt.dll).
#pragma once

#include "core/pdf/Security.h"

namespace refconv {

class CngCrypto : public pdf::Crypto {
 public:
  std::string md5(std::string_view data) override;
  std::string sha2(int bits, std::string_view data) override;
  std::string aes(bool encrypt, std::string_view key, std::string_view iv, std::string_view data) override;
};

}  // namespace refconv
