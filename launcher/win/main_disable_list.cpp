// The disable list entries of the main window's Tools menu.
#include "archive_listing.h"
#include "file_io.h"
#include "game_listing.h"
#include "list_file.h"
#include "main_controls.h"
#include "main_window.h"
#include "message_box.h"

void MainWindow::ShowFiles(const std::string& vspath) { ListGameFolder(vspath, kArchiveExtension, List1); }

void MainWindow::menuall_Click() {
  List1.clear();
  ShowFiles(FieldText(txtpath));
  // Whole or not at all; a failure is said as such, never confirmed.
  const std::string path = appFolder_ + "\\disable.txt";
  if (ReplaceListFile(path, kEditorHeader, List1)) {
    ShowHelp("All PK3 Files set to be Disabled");
  } else {
    ShowMessage("Could not save " + path, MB_OK);
  }
}

Pk3List* MainWindow::OpenDisableWindow() {
  if ((pk3list_ && !pk3list_->Closed()) || (editor_ && !editor_->Closed())) return nullptr;  // one window at a time
  pk3list_ = std::make_unique<Pk3List>(hwnd_, FieldText(txtpath), appFolder_ + "\\disable.txt");
  if (!pk3list_->Open()) pk3list_.reset();
  return pk3list_.get();
}

void MainWindow::menudis_Click() {
  if (Pk3List* window = OpenDisableWindow()) window->RunModal();
}
