// The start buttons of the main window: the checks before a start and the
// start request for the chosen edition.
#include <windows.h>
#include <shellapi.h>

#include "change_extensions.h"
#include "file_io.h"
#include "launch_checks.h"
#include "launch_line.h"
#include "list_controls.h"
#include "list_file.h"
#include "main_controls.h"
#include "main_window.h"
#include "message_box.h"
#include "settings.h"

void MainWindow::cmd1_Click() { StartEdition(1); }
void MainWindow::cmd2_Click() { StartEdition(2); }
void MainWindow::cmd3_Click() { StartEdition(3); }

void MainWindow::StartEdition(short edition) {
  gameEdition = edition;
  if (chkit()) shellandwait();
}

// A list entry new to the hidden list goes to it, to the field's choices and
// to its file. A file that cannot be written leaves the entry in the window.
void MainWindow::RememberEntry(std::vector<std::string>& hidden, int combo, const std::string& text,
                               const char* file) {
  if (!IsNewListEntry(hidden, text)) return;
  hidden.push_back(text);
  AddChoice(Control(combo), text);
  WriteListFile(appFolder_ + file, kEditorHeader, hidden);
}

bool MainWindow::chkit() {
  const std::string name = FieldText(text6);
  if (name.empty()) {
    ShowMessage("You must enter your player name", MB_OK);
    return false;
  }
  launchName = name;
  // The new name shows among the choices from the next start on.
  if (IsNewListEntry(playlist, name)) {
    playlist.push_back(name);
    WriteListFile(appFolder_ + "\\player.txt", kLaunchPlayerHeader, playlist);
  }
  const std::string server = FieldText(text8);
  if (const int bad = FirstBadAddressCharacter(server)) {
    ShowMessage(BadAddressMessage(bad), MB_OK);
    return false;
  }
  RememberEntry(serveriplist, text8, server, "\\sip.txt");
  const std::string password = FieldText(text9);
  RememberEntry(pwdlist, text9, password, "\\spwd.txt");
  if (gameEdition == 2) launchName = SpearheadName(name);

  settings::Write(settings::kPlayerName, name);
  settings::Write(settings::kServerAddress, server);
  settings::Write(settings::kServerPassword, password);

  dispk3 = ReadDisableList(appFolder_ + "\\disable.txt");
  SwitchOffFiles(dispk3);
  return true;
}

void MainWindow::shellandwait() {
  const std::string program = ProgramFile(gameEdition);
  if (program.empty()) return;
  launchName = Quote(launchName);
  launchArgs = BuildLaunchArgs(
      {launchName, FieldText(text8), FieldText(text9), FieldText(portout), FieldText(cmdline)});
  const std::string folder = FieldText(txtpath);
  launchFile = folder + program;
  // The game is not waited for; whether it started is not looked at.
  ShellExecuteA(hwnd_, "open", launchFile.c_str(), launchArgs.c_str(), folder.c_str(), SW_SHOWNORMAL);
}
