#include "fresh_launcher.h"

#include "message_box.h"
#include "wine_test_util.h"

void FreshLauncher::SetUp() {
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Kestrun");
  SetAppTitle("Kestrun");
  SetMessageHook([this](const std::string& text, const std::string& title, unsigned buttons) {
    messages.push_back({text, title, buttons, FindWindowA(nullptr, "Corvel Setup") != nullptr});
    return IDOK;
  });
  TakeQuit();
}

void FreshLauncher::TearDown() {
  SetMessageHook(nullptr);
  TakeQuit();
}

std::unique_ptr<MainWindow> FreshLauncher::Start() {
  auto main = std::make_unique<MainWindow>(app.Path());
  EXPECT_TRUE(main->Create());
  main->Form_Load();
  main->Show(SW_SHOWNOACTIVATE);
  return main;
}
