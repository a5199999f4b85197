// A PDF read from whatever bytes a customer's file holds: the cross-reference (or its repair),
// decryption, every object the page tree reaches, and every page's content drawn with its
// pictures. Nothing may crash, loop or grow without bound.
#include <cstdint>
#include <string>

#include "core/pdf/Content.h"
#include "core/pdf/Document.h"
#include "support/HostCrypto.h"
#include "support/HostPictures.h"

using namespace refconv::pdf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static refconv::test::HostCrypto crypto;
  static refconv::test::HostPictures jpeg;
  std::string why;
  const std::unique_ptr<Document> document =
      Document::open(std::string(reinterpret_cast<const char*>(data), size), why, &crypto);
  if (!document) return 0;
  refconv::pdf::FontCache fonts;
  for (const Page& page : document->pages()) drawPage(*document, page, fonts, &jpeg);
  return 0;
}
