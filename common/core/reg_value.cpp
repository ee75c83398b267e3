#include "common/core/reg_value.h"

#include "common/core/text.h"

std::string ValueText(const RegValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* n = std::get_if<int32_t>(&v)) return std::to_string(*n);
  return {};
}

int32_t ValueFlag(const RegValue& v) {
  if (const auto* n = std::get_if<int32_t>(&v)) return *n;
  int parsed = 0;
  if (const auto* s = std::get_if<std::string>(&v); s && ParseInt32(TrimBlanks(*s), parsed)) return parsed;
  return 0;
}
