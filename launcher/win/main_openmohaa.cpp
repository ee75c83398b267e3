// The main window's choice between the original programs and OpenMoHAA, and
// what follows from it: which program a start button runs, its help text,
// and which folders the disable list covers.
#include "common/win/settings.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/main_window.h"
#include "launcher/win/openmohaa_home.h"

bool MainWindow::UsingOpenMohaa() const { return startWithOpenMohaa && OpenMohaaInstalled(openMohaaFiles); }

StartProgram MainWindow::StartProgramFor(GameEdition edition) const {
  return ChooseStartProgram(edition, UsingOpenMohaa(), openMohaaFiles);
}

void MainWindow::LookForOpenMohaa() {
  openMohaaFiles = FindOpenMohaaFiles(FieldText(gameFolderField), IsPlainFile);
  UpdateOpenMohaaEntry();
}

void MainWindow::UpdateOpenMohaaEntry() {
  HMENU menu = GetMenu(hwnd_);
  if (!menu) return;
  const bool installed = OpenMohaaInstalled(openMohaaFiles);
  EnableMenuItem(menu, menuStartWithOpenMohaa, MF_BYCOMMAND | (installed ? MF_ENABLED : MF_GRAYED));
  CheckMenuItem(menu, menuStartWithOpenMohaa,
                MF_BYCOMMAND | (installed && startWithOpenMohaa ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::OnStartWithOpenMohaaClicked() {
  // The entry is greyed then; a click that reaches here all the same changes nothing.
  if (!OpenMohaaInstalled(openMohaaFiles)) return;
  startWithOpenMohaa = !startWithOpenMohaa;
  settings::Write(settings::kStartWithOpenMohaa, startWithOpenMohaa);
  UpdateOpenMohaaEntry();
  ShowNotice(startWithOpenMohaa ? "The start buttons start OpenMoHAA"
                                : "The start buttons start the original programs");
}

std::vector<std::string> MainWindow::ArchiveFolders() const {
  std::vector<std::string> folders{FieldText(gameFolderField)};
  if (UsingOpenMohaa()) {
    for (const std::string& data : HomeDataFolders(openMohaaHome)) folders.push_back(data);
  }
  return folders;
}

std::vector<std::string> MainWindow::EntriesToSwitchOff(const std::vector<std::string>& entries) const {
  if (openMohaaHome.empty() || UsingOpenMohaa()) return entries;
  std::vector<std::string> kept;
  for (const std::string& entry : entries) {
    if (!IsInsideFolder(entry, openMohaaHome)) kept.push_back(entry);
  }
  return kept;
}

std::string MainWindow::HelpText(int id) const {
  const char* text = HelpTextFor(id);
  if (!text) return {};
  for (const StartButton& button : kStartButtons) {
    if (button.id == id) return StartHelpText(button.edition, text, StartProgramFor(button.edition));
  }
  return text;
}
