// Hashes and AES from the host's OpenSSL, standing in natively for the CNG the converter uses
// on Windows.
#pragma once

#include <openssl/evp.h>

#include <string>
#include <string_view>

#include "core/pdf/Security.h"

namespace refconv::test {

class HostCrypto : public pdf::Crypto {
 public:
  std::string md5(std::string_view data) override { return digest(EVP_md5(), data); }
  std::string sha2(int bits, std::string_view data) override {
    return digest(bits == 512 ? EVP_sha512() : bits == 384 ? EVP_sha384() : EVP_sha256(), data);
  }
  std::string aes(bool encrypt, std::string_view key, std::string_view iv, std::string_view data) override {
    const EVP_CIPHER* cipher = key.size() == 32 ? EVP_aes_256_cbc() : EVP_aes_128_cbc();
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    std::string out(data.size() + 32, '\0');
    int written = 0, last = 0;
    const auto* k = reinterpret_cast<const unsigned char*>(key.data());
    const auto* v = reinterpret_cast<const unsigned char*>(iv.data());
    EVP_CipherInit_ex(context, cipher, nullptr, k, v, encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(context, 0);
    EVP_CipherUpdate(context, reinterpret_cast<unsigned char*>(out.data()), &written,
                     reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    EVP_CipherFinal_ex(context, reinterpret_cast<unsigned char*>(out.data()) + written, &last);
    EVP_CIPHER_CTX_free(context);
    out.resize(static_cast<size_t>(written + last));
    return out;
  }

 private:
  static std::string digest(const EVP_MD* md, std::string_view data) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), out, &length, md, nullptr);
    return std::string(reinterpret_cast<char*>(out), length);
  }
};

}  // namespace refconv::test
