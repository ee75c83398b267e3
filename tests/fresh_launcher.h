#pragma once
// A test that opens the launcher on a fresh settings key, with every message
// box recorded and answered with OK.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "main_window.h"
#include "temp_folder.h"

class FreshLauncher : public ::testing::Test {
 protected:
  struct Message {
    std::string text, title;
    unsigned buttons;
    bool starterOpen;  // "Corvel Setup" was open when the message came
  };
  TempFolder app{"launcher"};
  std::vector<Message> messages;

  void SetUp() override;
  void TearDown() override;
  // Opens the launcher as the program does.
  std::unique_ptr<MainWindow> Start();
};
