#pragma once
// A launcher on a fresh settings key, with its list files in one temporary
// folder and a game folder in another; message boxes are answered by the test.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "launcher/win/main_window.h"
#include "tests/temp_folder.h"

// Runs the main window's status query, and the window's events until it has
// ended and what its end asked for has run.
void QueryAndWait(MainWindow& main);

// The text of a report-view list's cell (the Server List window's list).
std::string ListViewCell(HWND list, int row, int column);

struct ShownMessage {
  std::string text, title;
  unsigned buttons;
  bool starterOpen;  // "Corvel Setup" was open when the message came
};

class LauncherFixture : public ::testing::Test {
 protected:
  TempFolder app{"app"};
  TempFolder game{"game"};
  std::vector<ShownMessage> messages;
  int answer = 1;  // IDOK

  void SetUp() override;
  void TearDown() override;

  static void SetBasepath(const std::string& value);
  static void SetSetting(const char* name, const std::string& value);
  // The text of a value of Software\Kestrun; "<missing>" when it is absent.
  static std::string Setting(const char* name);

  // Opens the launcher as the program does.
  std::unique_ptr<MainWindow> Start();
};
