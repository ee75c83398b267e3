#include "common/win/settings.h"

#include "common/win/registry.h"

namespace settings {

namespace {
RegValue ReadValue(const char* name) {
  return registry::ReadKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, name);
}
}  // namespace

std::string Read(TextSetting setting) { return ValueText(ReadValue(setting.name)); }

bool Read(FlagSetting setting) { return ValueFlag(ReadValue(setting.name)) == 1; }

int32_t Read(NumberSetting setting) { return ValueFlag(ReadValue(setting.name)); }

std::optional<std::string> ReadIfPresent(TextSetting setting) {
  const RegValue value = ReadValue(setting.name);
  if (IsEmptyValue(value)) return std::nullopt;
  return ValueText(value);
}

void Write(TextSetting setting, const std::string& text) {
  registry::StoreKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, setting.name, text, registry::kText);
}

void Write(FlagSetting setting, bool on) {
  registry::StoreKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, setting.name, int32_t{on ? 1 : 0},
                             registry::kNumber);
}

void Write(NumberSetting setting, int32_t number) {
  registry::StoreKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, setting.name, number, registry::kNumber);
}

void CreateKey() { registry::MakeKey(HKEY_CURRENT_USER, registry::kSettingsKey); }

}  // namespace settings
