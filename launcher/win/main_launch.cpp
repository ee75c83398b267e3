// The start buttons of the main window: the checks before a start and the
// start request for the chosen edition.
#include <windows.h>
#include <shellapi.h>

#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "common/win/settings.h"
#include "launcher/core/launch_checks.h"
#include "launcher/core/launch_line.h"
#include "launcher/core/list_file.h"
#include "launcher/win/change_extensions.h"
#include "launcher/win/file_io.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/main_window.h"

namespace {

std::string ArchivesLeftOnText(const std::vector<FileLeftOn>& leftOn) {
  std::string text = "Not switched off: ";
  for (size_t i = 0; i < leftOn.size(); ++i) {
    text += (i ? ", " : "") + leftOn[i].path + " (" + leftOn[i].reason + ")";
  }
  return text;
}

std::string UnsavedListsText(const std::vector<std::string>& paths) {
  std::string text = "Could not save ";
  for (size_t i = 0; i < paths.size(); ++i) text += (i ? ", " : "") + paths[i];
  return text;
}

}  // namespace

void MainWindow::OnStartClicked(GameEdition edition) {
  OnPlayerAction();  // the last start's warning goes, whatever this one says
  gameEdition = edition;
  LookForOpenMohaa();  // unzipped or removed since the menu last opened
  const bool passed = CheckBeforeLaunch();
  if (passed) StartGame();
  // The game starts with these archives on, and the new entries are gone at
  // the next start: the player is told which they are.
  std::vector<std::string> warnings;
  if (!unsavedLists.empty()) warnings.push_back(UnsavedListsText(unsavedLists));
  if (passed && !archivesLeftOn.empty()) warnings.push_back(ArchivesLeftOnText(archivesLeftOn));
  if (!warnings.empty()) ShowWarning(warnings.size() == 1 ? warnings[0] : warnings[0] + "; " + warnings[1]);
}

// A list entry new to the remembered list goes to it, to the field's choices
// and to its file.
void MainWindow::RememberEntry(std::vector<std::string>& remembered, int field, const std::string& text,
                               const char* file) {
  if (!IsNewListEntry(remembered, text)) return;
  remembered.push_back(text);
  AddChoice(Control(field), text);
  SaveList(file, kEditorHeader, remembered);
}

// A file that cannot be written leaves the new entries in the window until it
// closes; the player is told once a run. In a folder start-up found
// unwritable (and said so) no save is tried: each would fail, and where files
// can be made but not deleted would leave its temporary file behind.
void MainWindow::SaveList(const char* file, const std::string& header, const std::vector<std::string>& entries) {
  const std::string path = appFolder_ + file;
  if (folderWritable_ && WriteListFile(path, header, entries)) return;
  if (listsNamedUnsaved_.insert(path).second) unsavedLists.push_back(path);
}

bool MainWindow::CheckBeforeLaunch() {
  unsavedLists.clear();
  const std::string name = FieldText(nameField);
  if (name.empty()) {
    ShowMessage("You must enter your player name", MB_OK);
    return false;
  }
  launchName = name;
  // The new name shows among the choices from the next start on.
  if (IsNewListEntry(rememberedNames, name)) {
    rememberedNames.push_back(name);
    SaveList("\\player.txt", kLaunchPlayerHeader, rememberedNames);
  }
  const std::string server = FieldText(serverField);
  if (const int bad = FirstBadAddressCharacter(server)) {
    ShowMessage(BadAddressMessage(bad), MB_OK);
    return false;
  }
  RememberEntry(rememberedServers, serverField, server, "\\sip.txt");
  const std::string password = FieldText(passwordField);
  RememberEntry(rememberedPasswords, passwordField, password, "\\spwd.txt");
  if (gameEdition == GameEdition::Spearhead) launchName = SpearheadName(name);

  settings::Write(settings::kPlayerName, name);
  settings::Write(settings::kServerAddress, server);
  settings::Write(settings::kServerPassword, password);

  disableEntries = ReadDisableList(appFolder_ + "\\disable.txt");
  archivesLeftOn = SwitchOffFiles(EntriesToSwitchOff(disableEntries));
  return true;
}

// OpenMoHAA's starters take exactly the original program's arguments; its
// engine, run when a starter is missing, is told the game first.
void MainWindow::StartGame() {
  const StartProgram program = StartProgramFor(gameEdition);
  if (program.file.empty()) return;
  launchName = Quote(launchName);
  launchArgs = program.argumentsBefore + BuildLaunchArgs({launchName, FieldText(serverField), FieldText(passwordField),
                                                          FieldText(portField), FieldText(commandLineField)});
  const std::string folder = FieldText(gameFolderField);
  launchFile = folder + program.file;
  // The game is not waited for; whether it started is not looked at.
  ShellExecuteA(hwnd_, "open", launchFile.c_str(), launchArgs.c_str(), folder.c_str(), SW_SHOWNORMAL);
}
