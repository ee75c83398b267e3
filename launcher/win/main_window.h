#pragma once
// Main, the launcher's window: the fields the player fills in, the start
// buttons, the status display, the help line and the Tools menu. It owns the
// remembered lists from start-up to shutdown.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "list_editor.h"
#include "overlay_starter.h"
#include "status_socket.h"
#include "pk3_list.h"

class MainWindow {
 public:
  // Every message of the object's window (see ObjectWindowProc).
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // appFolder holds the list files (the program's own folder in use).
  explicit MainWindow(std::string appFolder);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Builds the window and its controls, still hidden.
  bool Create();
  // Start-up. When a game is running it shows why and closes the window.
  void Form_Load();
  void Show(int how);
  // Closing by any way runs Form_Unload first.
  void Close();
  void Form_Unload();
  bool Closed() const { return closed_; }

  HWND Handle() const { return hwnd_; }
  HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
  std::string FieldText(int id) const;
  void SetFieldText(int id, const std::string& text);

  // Tools menu. The editor entries wait until their window closes.
  void menurp_Click();
  void menyrip_Click();
  void menuexit_Click();
  // Opens an editor without waiting for it (the menu entries then wait).
  ListEditor* OpenPlayersEditor();
  ListEditor* OpenServerEditor();

  // Start buttons: the checks before a start, then the start request
  // (main_launch.cpp).
  void cmd1_Click();
  void cmd2_Click();
  void cmd3_Click();
  bool chkit();
  void shellandwait();
  short gameEdition = 0;  // 1 Allied Assault, 2 Spearhead, 3 Breakthrough
  std::string launchName, launchArgs, launchFile;

  // The disable list (main_disable_list.cpp). The window entry waits until
  // its window closes; OpenDisableWindow does not.
  void menuall_Click();
  void menudis_Click();
  Pk3List* OpenDisableWindow();
  // Appends the add-on archives under vspath to List1.
  void ShowFiles(const std::string& vspath);

  const std::string& AppFolder() const { return appFolder_; }
  std::string appVersion;
  std::string statusPrefix;
  // The remembered lists and the working lists of the window.
  std::vector<std::string> playlist, serveriplist, pwdlist, dispk3, List1, List2, buff1, buff5;

  // Server status (main_status.cpp). A query asked for while one waits is ignored.
  void getstatus();
  void Command1_Click();
  void text8_LostFocus();
  // "Launch Corvel": the status query first while no map list is known, then
  // the overlay starter, waited for.
  void Command2_Click();
  // Command2_Click without waiting for the starter; nullptr when none opened.
  OverlayStarter* LaunchCorvel();
  bool Querying() const { return querying_; }
  const std::string& MapList() const { return mapList_; }
  StatusSocket UDP1;

 private:
  static LRESULT CALLBACK HelpProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
  void CreateControls();
  void CreateMenuBar();
  void OnCommand(int id);
  void ShowHelp(const char* text);

  static constexpr UINT kText8LostFocus = WM_APP + 3;
  void UDP1_DataArrival(const std::string& data);
  OverlayStarter* OpenOverlayStarter();
  std::string reply_;
  std::string mapList_;
  bool querying_ = false;
  bool launching_ = false;
  bool launchAfterQuery_ = false;
  std::unique_ptr<OverlayStarter> ministart_;

  bool GameIsRunning();
  void LoadPlayerName();
  void LoadGameFolder();
  void LoadLists();
  void RestoreSwitchedOffFiles(const std::string& gameFolder);
  ListEditor* OpenEditor(const char* caption, std::vector<std::string>& hidden, int combo, const char* file);
  void StartEdition(short edition);
  void RememberEntry(std::vector<std::string>& hidden, int combo, const std::string& text, const char* file);

  std::string appFolder_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  HFONT helpFont_ = nullptr;
  HICON icons_[3] = {};
  bool closed_ = false;
  bool unloading_ = false;
  std::unique_ptr<ListEditor> editor_;
  std::unique_ptr<Pk3List> pk3list_;
};
