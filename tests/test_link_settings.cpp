// The overlay's reading of its link at start, from the real registry.
#include <gtest/gtest.h>

#include "common/win/protected_text.h"
#include "common/win/registry.h"
#include "overlay/win/link_settings.h"

namespace {

using settings::OverlayLink;

void StoreRaw(const char* name, DWORD kind, const std::string& bytes) {
  RegSetKeyValueA(HKEY_CURRENT_USER, registry::kSettingsKey, name, kind, bytes.data(),
                  static_cast<DWORD>(bytes.size()));
}

void StoreNumber(const char* name, int32_t number) {
  StoreRaw(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number));
}

class LinkSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, registry::kSettingsKey);
    registry::MakeKey(HKEY_CURRENT_USER, registry::kSettingsKey);
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, registry::kSettingsKey); }
};

}  // namespace

TEST_F(LinkSettingsTest, TheLinkAndTheConsoleAsStored) {
  const std::string sealed = protected_text::Seal("Open sesame").value_or("");
  ASSERT_FALSE(sealed.empty());
  enum class Password { None, Sealed, SealedCut, Garbage, ClearText, Empty };
  struct Case {
    const char* what;
    int32_t link;  // -1: no value
    const char* rconServer;
    const char* launcherServer;
    Password password;
    OverlayLink chosen;
    std::string serverText, host;  // host "": no endpoint
    int port;
    std::string clear;
  };
  const Case cases[] = {
      {"no link value", -1, "127.0.0.1", "", Password::Sealed, OverlayLink::InspectionServer, "", "", 0, ""},
      {"inspection server", 0, "127.0.0.1", "", Password::Sealed, OverlayLink::InspectionServer, "", "", 0, ""},
      {"unknown link", 5, "127.0.0.1", "", Password::Sealed, OverlayLink::InspectionServer, "", "", 0, ""},
      {"console", 1, " 127.0.0.1:27990 ", "127.0.0.2", Password::Sealed, OverlayLink::RemoteConsole,
       "127.0.0.1:27990", "127.0.0.1", 27990, "Open sesame"},
      {"launcher's field", 1, "", "127.0.0.2", Password::None, OverlayLink::RemoteConsole, "127.0.0.2",
       "127.0.0.2", 12203, ""},
      {"bad port", 1, "127.0.0.1:port", "", Password::Empty, OverlayLink::RemoteConsole, "127.0.0.1:port", "", 0,
       ""},
      {"cut blob", 1, "127.0.0.1", "", Password::SealedCut, OverlayLink::RemoteConsole, "127.0.0.1", "127.0.0.1",
       12203, ""},
      {"foreign blob", 1, "127.0.0.1", "", Password::Garbage, OverlayLink::RemoteConsole, "127.0.0.1", "127.0.0.1",
       12203, ""},
      {"clear text", 1, "127.0.0.1", "", Password::ClearText, OverlayLink::RemoteConsole, "127.0.0.1",
       "127.0.0.1", 12203, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    if (c.link >= 0) StoreNumber("Mini Link", c.link);
    StoreRaw("Rcon Server", REG_SZ, c.rconServer);
    StoreRaw("Server IP", REG_SZ, c.launcherServer);
    switch (c.password) {
      case Password::None: break;
      case Password::Sealed: StoreRaw("Rcon Password", REG_BINARY, sealed); break;
      case Password::SealedCut: StoreRaw("Rcon Password", REG_BINARY, sealed.substr(0, sealed.size() - 9)); break;
      case Password::Garbage: StoreRaw("Rcon Password", REG_BINARY, std::string(sealed.size(), '\x5A')); break;
      case Password::ClearText: StoreRaw("Rcon Password", REG_SZ, "Open sesame"); break;
      case Password::Empty: StoreRaw("Rcon Password", REG_BINARY, ""); break;
    }
    const LinkSettings read = ReadLinkSettings();
    EXPECT_EQ(read.link, c.chosen);
    EXPECT_EQ(read.rcon.serverText, c.serverText);
    EXPECT_EQ(read.rcon.server ? read.rcon.server->host : "", c.host);
    EXPECT_EQ(read.rcon.server ? read.rcon.server->port : 0, c.port);
    EXPECT_EQ(read.rcon.password, c.clear);
  }
}
