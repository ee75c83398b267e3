#pragma once
// A settings value as the registry module hands it over: text, a 32-bit
// number, or empty (missing value, missing key, or a kind we do not read).
#include <cstdint>
#include <string>
#include <variant>

using RegValue = std::variant<std::monostate, std::string, int32_t>;

inline bool IsEmptyValue(const RegValue& v) { return std::holds_alternative<std::monostate>(v); }

// The value as a text field shows it: empty as "", a number as its decimal digits.
std::string ValueText(const RegValue& v);

// The value as a small integer flag: empty gives 0, a number itself, a text
// holding a decimal number that number, any other text 0.
int32_t ValueFlag(const RegValue& v);
