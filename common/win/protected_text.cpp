#include "common/win/protected_text.h"

#include <windows.h>
#include <wincrypt.h>

namespace protected_text {

namespace {

DATA_BLOB BlobOf(const std::string& bytes) {
  return {static_cast<DWORD>(bytes.size()), reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()))};
}

// Takes the system's output buffer, wiping it before it is freed: it may hold
// the clear text.
std::string TakeBlob(DATA_BLOB& blob) {
  std::string bytes(reinterpret_cast<const char*>(blob.pbData), blob.cbData);
  SecureZeroMemory(blob.pbData, blob.cbData);
  LocalFree(blob.pbData);
  return bytes;
}

}  // namespace

std::optional<std::string> Seal(const std::string& clear) {
  DATA_BLOB in = BlobOf(clear), out{};
  if (!CryptProtectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) {
    return std::nullopt;
  }
  return TakeBlob(out);
}

std::optional<std::string> Open(const std::string& sealed) {
  if (sealed.empty()) return std::nullopt;
  DATA_BLOB in = BlobOf(sealed), out{};
  if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) {
    return std::nullopt;
  }
  return TakeBlob(out);
}

}  // namespace protected_text
