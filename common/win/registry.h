#pragma once
// registry: every registry access of both programs, always on
// HKEY_CURRENT_USER. Reads of missing keys or values give empty values;
// writes to missing keys do nothing. Nothing here shows a message.
#include <windows.h>

#include <optional>
#include <string>

#include "common/core/reg_value.h"

namespace registry {

constexpr int32_t kText = REG_SZ;       // 1
constexpr int32_t kNumber = REG_DWORD;  // 4

// The launcher's and the overlay's key under HKEY_CURRENT_USER.
constexpr const char* kSettingsKey = "Software\\Kestrun";

// Writes one value into an open key. Kind 1 stores text without a NUL, kind 4 a
// 32-bit number; any other kind writes nothing and gives 0. Returns the
// platform's code of the write.
LONG PutValue(HKEY key, const std::string& name, const RegValue& value, int32_t kind);

// Reads one value from an open key into value. Text loses one trailing NUL;
// kinds other than text and number leave value as it was and give -1.
LONG FetchValue(HKEY key, const std::string& name, RegValue& value);

// Creates the key with every missing parent; an existing key is left untouched.
void MakeKey(HKEY hive, const std::string& path);

// Writes one value into an existing key; never creates the key.
void StoreKeyValue(HKEY hive, const std::string& path, const std::string& name, const RegValue& value,
                   int32_t kind);

// Reads one value; empty when the key or value is missing or of another kind.
RegValue ReadKeyValue(HKEY hive, const std::string& path, const std::string& name);

// Writes bytes as a binary value into an existing key; never creates the key.
// False when nothing was written.
bool StoreBinaryValue(HKEY hive, const std::string& path, const std::string& name, const std::string& bytes);

// The bytes of a binary value; none when the key or value is missing or of
// another kind.
std::optional<std::string> ReadBinaryValue(HKEY hive, const std::string& path, const std::string& name);

// True when the value exists with a kind other than text or number, which
// reads as empty but holds data all the same.
bool HoldsOtherKind(HKEY hive, const std::string& path, const std::string& name);

}  // namespace registry
