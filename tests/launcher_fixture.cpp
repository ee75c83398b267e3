#include "launcher_fixture.h"

#include "message_box.h"
#include "registry.h"
#include "wine_test_util.h"

namespace {
const char* kGameKey = "Software\\2015\\MOHAA";
}

void LauncherFixture::SetUp() {
  RegDeleteTreeA(HKEY_CURRENT_USER, mdlRegistry::kSettingsKey);
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\2015");
  SetAppTitle("Kestrun");
  SetMessageHook([this](const std::string& text, const std::string& title, unsigned buttons) {
    messages.push_back({text, title, buttons, FindWindowA(nullptr, "Corvel Setup") != nullptr});
    return answer;
  });
  TakeQuit();
}

void LauncherFixture::TearDown() {
  SetMessageHook(nullptr);
  TakeQuit();
}

void LauncherFixture::SetBasepath(const std::string& value) {
  mdlRegistry::MakeKey(HKEY_CURRENT_USER, kGameKey);
  mdlRegistry::StoreKeyValue(HKEY_CURRENT_USER, kGameKey, "basepath", value, mdlRegistry::kText);
}

void LauncherFixture::SetSetting(const char* name, const std::string& value) {
  mdlRegistry::MakeKey(HKEY_CURRENT_USER, mdlRegistry::kSettingsKey);
  mdlRegistry::StoreKeyValue(HKEY_CURRENT_USER, mdlRegistry::kSettingsKey, name, value, mdlRegistry::kText);
}

std::string LauncherFixture::Setting(const char* name) {
  const RegValue value = mdlRegistry::ReadKeyValue(HKEY_CURRENT_USER, mdlRegistry::kSettingsKey, name);
  return IsEmptyValue(value) ? "<missing>" : ValueText(value);
}

std::unique_ptr<MainWindow> LauncherFixture::Start() {
  auto main = std::make_unique<MainWindow>(app.Path());
  EXPECT_TRUE(main->Create());
  main->Form_Load();
  main->Show(SW_SHOWNOACTIVATE);
  return main;
}
