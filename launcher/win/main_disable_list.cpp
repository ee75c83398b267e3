// The disable list entries of the main window's Tools menu.
#include "archive_listing.h"
#include "file_io.h"
#include "game_listing.h"
#include "list_file.h"
#include "main_controls.h"
#include "main_window.h"
#include "message_box.h"

void MainWindow::ListArchives(const std::string& folder) { ListGameFolder(folder, kArchiveExtension, listedArchives); }

void MainWindow::OnDisableAllClicked() {
  listedArchives.clear();
  ListArchives(FieldText(gameFolderField));
  // Whole or not at all; a failure is said as such, never confirmed.
  const std::string path = appFolder_ + "\\disable.txt";
  if (ReplaceListFile(path, kEditorHeader, listedArchives)) {
    ShowHelp("All PK3 Files set to be Disabled");
  } else {
    ShowMessage("Could not save " + path, MB_OK);
  }
}

DisableListWindow* MainWindow::OpenDisableWindow() {
  return OpenModal(disableWindow_, FieldText(gameFolderField), appFolder_ + "\\disable.txt");
}

void MainWindow::OnDisableSelectedClicked() {
  if (DisableListWindow* window = OpenDisableWindow()) window->RunModal();
}
