// The disable list entries of the main window's Tools menu.
#include "common/win/message_box.h"
#include "launcher/core/archive_listing.h"
#include "launcher/core/list_file.h"
#include "launcher/win/disable_list_window.h"
#include "launcher/win/file_io.h"
#include "launcher/win/game_listing.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/main_window.h"

void MainWindow::ListArchives(const std::string& folder) { ListGameFolder(folder, kArchiveExtension, listedArchives); }

void MainWindow::OnDisableAllClicked() {
  listedArchives.clear();
  for (const std::string& folder : ArchiveFolders()) ListArchives(folder);
  // Whole or not at all; a failure is said as such, never confirmed.
  const std::string path = appFolder_ + "\\disable.txt";
  if (ReplaceListFile(path, kEditorHeader, listedArchives)) {
    ShowNotice("All PK3 Files set to be Disabled");
  } else {
    ShowMessage("Could not save " + path, MB_OK);
  }
}

DisableListWindow* MainWindow::OpenDisableWindow() {
  return OpenModal(disableWindow_, ArchiveFolders(), appFolder_ + "\\disable.txt");
}

void MainWindow::OnDisableSelectedClicked() {
  if (DisableListWindow* window = OpenDisableWindow()) window->RunModal();
}
