#include "CngCrypto.h"

#include <windows.h>

#include <bcrypt.h>

#include <vector>

namespace refconv {

namespace {

// An algorithm provider, closed when done.
class Provider {
 public:
  explicit Provider(const wchar_t* algorithm) {
    if (BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, 0) < 0) handle_ = nullptr;
  }
  ~Provider() {
    if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

std::string hash(const wchar_t* algorithm, std::string_view data) {
  Provider provider(algorithm);
  if (!provider.get()) return {};
  DWORD length = 0, got = 0;
  if (BCryptGetProperty(provider.get(), BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&length), sizeof length, &got, 0) <
      0)
    return {};
  std::string out(length, '\0');
  BCRYPT_HASH_HANDLE handle = nullptr;
  if (BCryptCreateHash(provider.get(), &handle, nullptr, 0, nullptr, 0, 0) < 0) return {};
  const bool done = BCryptHashData(handle, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                                   static_cast<ULONG>(data.size()), 0) >= 0 &&
                    BCryptFinishHash(handle, reinterpret_cast<PUCHAR>(out.data()), length, 0) >= 0;
  BCryptDestroyHash(handle);
  if (!done) return {};
  return out;
}

}  // namespace

std::string CngCrypto::md5(std::string_view data) { return hash(BCRYPT_MD5_ALGORITHM, data); }

std::string CngCrypto::sha2(int bits, std::string_view data) {
  return hash(bits == 512   ? BCRYPT_SHA512_ALGORITHM
              : bits == 384 ? BCRYPT_SHA384_ALGORITHM
                            : BCRYPT_SHA256_ALGORITHM,
              data);
}

std::string CngCrypto::aes(bool encrypt, std::string_view key, std::string_view iv, std::string_view data) {
  Provider provider(BCRYPT_AES_ALGORITHM);
  if (!provider.get() || data.size() % 16 != 0 || iv.size() != 16) return {};
  const wchar_t mode[] = BCRYPT_CHAIN_MODE_CBC;
  if (BCryptSetProperty(provider.get(), BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(mode)),
                        sizeof mode, 0) < 0)
    return {};
  BCRYPT_KEY_HANDLE handle = nullptr;
  if (BCryptGenerateSymmetricKey(provider.get(), &handle, nullptr, 0,
                                 reinterpret_cast<PUCHAR>(const_cast<char*>(key.data())),
                                 static_cast<ULONG>(key.size()), 0) < 0)
    return {};
  std::string chain(iv), out(data.size(), '\0');
  ULONG written = 0;
  auto* in = reinterpret_cast<PUCHAR>(const_cast<char*>(data.data()));
  auto* to = reinterpret_cast<PUCHAR>(out.data());
  auto* v = reinterpret_cast<PUCHAR>(chain.data());
  const NTSTATUS status = encrypt ? BCryptEncrypt(handle, in, static_cast<ULONG>(data.size()), nullptr, v, 16, to,
                                                  static_cast<ULONG>(out.size()), &written, 0)
                                  : BCryptDecrypt(handle, in, static_cast<ULONG>(data.size()), nullptr, v, 16, to,
                                                  static_cast<ULONG>(out.size()), &written, 0);
  BCryptDestroyKey(handle);
  if (status < 0) return {};
  out.resize(written);
  return out;
}

}  // namespace refconv
