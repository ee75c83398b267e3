#include "tests/launcher_fixture.h"

#include <commctrl.h>

#include "common/win/message_box.h"
#include "common/win/registry.h"
#include "common/win/wait.h"
#include "tests/wine_test_util.h"

namespace {
const char* kGameKey = "Software\\2015\\MOHAA";
}

void LauncherFixture::SetUp() {
  RegDeleteTreeA(HKEY_CURRENT_USER, registry::kSettingsKey);
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
  registry::MakeKey(HKEY_CURRENT_USER, kGameKey);
  registry::StoreKeyValue(HKEY_CURRENT_USER, kGameKey, "basepath", value, registry::kText);
}

void LauncherFixture::SetSetting(const char* name, const std::string& value) {
  registry::MakeKey(HKEY_CURRENT_USER, registry::kSettingsKey);
  registry::StoreKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, name, value, registry::kText);
}

std::string LauncherFixture::Setting(const char* name) {
  const RegValue value = registry::ReadKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, name);
  return IsEmptyValue(value) ? "<missing>" : ValueText(value);
}

std::unique_ptr<MainWindow> LauncherFixture::Start() {
  auto main = std::make_unique<MainWindow>(app.Path());
  EXPECT_TRUE(main->Create());
  main->StartUp();
  main->Show(SW_SHOWNOACTIVATE);
  return main;
}

void QueryAndWait(MainWindow& main) {
  main.QueryServerStatus();
  PumpUntil([&] { return !main.Querying(); }, 20000);
  PumpPendingEvents();
}

std::string ListViewCell(HWND list, int row, int column) {
  char text[512] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}
