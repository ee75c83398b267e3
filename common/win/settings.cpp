#include "common/win/settings.h"

#include "common/win/protected_text.h"
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

OverlayLink ReadOverlayLink() {
  const int32_t link = Read(kOverlayLink);
  return link == static_cast<int32_t>(OverlayLink::RemoteConsole) ? OverlayLink::RemoteConsole
                                                                  : OverlayLink::InspectionServer;
}

std::string Read(ProtectedSetting setting) {
  const auto sealed = registry::ReadBinaryValue(HKEY_CURRENT_USER, registry::kSettingsKey, setting.name);
  if (!sealed) return {};
  return protected_text::Open(*sealed).value_or("");
}

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

void Write(OverlayLink link) { Write(kOverlayLink, static_cast<int32_t>(link)); }

// An empty text is stored as no bytes: it reads back as "" all the same.
bool Write(ProtectedSetting setting, const std::string& clear) {
  std::optional<std::string> sealed = clear.empty() ? std::string() : protected_text::Seal(clear);
  if (!sealed) return false;
  return registry::StoreBinaryValue(HKEY_CURRENT_USER, registry::kSettingsKey, setting.name, *sealed);
}

void CreateKey() { registry::MakeKey(HKEY_CURRENT_USER, registry::kSettingsKey); }

}  // namespace settings
