#include "common/win/registry.h"

#include "common/core/text.h"

namespace registry {

namespace {

LONG PutText(HKEY key, const std::string& name, const std::string& text) {
  // Stored with the size of its characters and no terminating NUL (Wine's
  // registry adds one of its own; reading drops it either way).
  return RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                        static_cast<DWORD>(text.size()));
}

LONG PutNumber(HKEY key, const std::string& name, const RegValue& value) {
  int32_t number = 0;
  if (const auto* n = std::get_if<int32_t>(&value)) {
    number = *n;
  } else if (const auto* s = std::get_if<std::string>(&value)) {
    int parsed = 0;
    if (!ParseInt32(TrimBlanks(*s), parsed)) return ERROR_INVALID_DATA;
    number = parsed;
  }
  DWORD data = static_cast<DWORD>(number);
  return RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

}  // namespace

LONG PutValue(HKEY key, const std::string& name, const RegValue& value, int32_t kind) {
  if (kind == kText) return PutText(key, name, ValueText(value));
  if (kind == kNumber) return PutNumber(key, name, value);
  return 0;
}

LONG FetchValue(HKEY key, const std::string& name, RegValue& value) {
  DWORD kind = 0;
  DWORD size = 0;
  LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &kind, nullptr, &size);
  if (rc != ERROR_SUCCESS) return rc;

  if (kind == REG_SZ) {
    std::string text(size, '\0');
    rc = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size);
    if (rc != ERROR_SUCCESS) {
      value = std::monostate{};
      return rc;
    }
    text.resize(size < text.size() ? size : text.size());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    value = std::move(text);
    return rc;
  }
  if (kind == REG_DWORD) {
    DWORD data = 0;
    size = sizeof data;
    rc = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
    if (rc == ERROR_SUCCESS) value = static_cast<int32_t>(data);
    return rc;
  }
  return -1;
}

void MakeKey(HKEY hive, const std::string& path) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(hive, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      &disposition) == ERROR_SUCCESS) {
    RegCloseKey(key);
  }
}

void StoreKeyValue(HKEY hive, const std::string& path, const std::string& name, const RegValue& value,
                   int32_t kind) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  PutValue(key, name, value, kind);
  RegCloseKey(key);
}

RegValue ReadKeyValue(HKEY hive, const std::string& path, const std::string& name) {
  RegValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return value;
  FetchValue(key, name, value);
  RegCloseKey(key);
  return value;
}

bool StoreBinaryValue(HKEY hive, const std::string& path, const std::string& name, const std::string& bytes) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
  const LONG rc = RegSetValueExA(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

std::optional<std::string> ReadBinaryValue(HKEY hive, const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
  DWORD kind = 0, size = 0;
  std::optional<std::string> bytes;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &kind, nullptr, &size) == ERROR_SUCCESS && kind == REG_BINARY) {
    std::string data(size, '\0');
    if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) ==
        ERROR_SUCCESS) {
      data.resize(size < data.size() ? size : data.size());
      bytes = std::move(data);
    }
  }
  RegCloseKey(key);
  return bytes;
}

bool HoldsOtherKind(HKEY hive, const std::string& path, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD kind = 0;
  const bool found = RegQueryValueExA(key, name.c_str(), nullptr, &kind, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found && kind != REG_SZ && kind != REG_DWORD;
}

}  // namespace registry
