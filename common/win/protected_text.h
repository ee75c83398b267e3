#pragma once
// Secrets kept for the current Windows user: sealed with the system's data
// protection, so that the registry never holds them in clear and another
// user or machine cannot open them.
#include <optional>
#include <string>

namespace protected_text {

// The sealed bytes of clear; none when the system refuses to seal.
std::optional<std::string> Seal(const std::string& clear);

// The clear text of sealed; none for bytes that do not open for this user
// (corrupt, cut short, sealed elsewhere).
std::optional<std::string> Open(const std::string& sealed);

}  // namespace protected_text
