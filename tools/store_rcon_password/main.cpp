// Stores corvel2's remote-console password the way Corvel Setup does: sealed
// for the current Windows user as "Rcon Password" in the shared key, created
// when missing. The password is the first line of standard input, so that no
// command line shows it; it is never printed. The demo's way to set it up.
// Usage: store_rcon_password <FILE   exit 0 stored, 1 not stored, 2 no input
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "common/win/settings.h"

int main() {
  std::string password;
  if (!std::getline(std::cin, password)) {
    std::fputs("store_rcon_password: no password on standard input\n", stderr);
    return 2;
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  settings::CreateKey();
  const bool stored = settings::Write(settings::kRconPassword, password);
  SecureZeroMemory(password.data(), password.size());
  if (!stored) {
    std::fputs("store_rcon_password: the password could not be sealed and stored\n", stderr);
    return 1;
  }
  std::puts("Rcon Password stored, sealed for this Windows user");
  return 0;
}
