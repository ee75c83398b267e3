#pragma once
// The launcher's main window: the fields the player fills in, the start
// buttons, the status display, the help line and the Tools menu. It owns the
// remembered lists from start-up to shutdown.
#include "launcher/win/status_query.h"  // Winsock's header before windows.h

#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/win/owned_window.h"
#include "launcher/core/kept_master_lists.h"
#include "launcher/core/launch_line.h"
#include "launcher/core/openmohaa.h"
#include "launcher/win/change_extensions.h"

// The windows the main window opens; their headers go only where they are used.
class DisableListWindow;
class ListEditorWindow;
class OverlayStarterWindow;
class ServerListWindow;

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
  // When a game is running it shows why and closes the window.
  void StartUp();
  void Show(int how);
  // Closing by any way runs ShutDown first.
  void Close();
  void ShutDown();
  bool Closed() const { return closed_; }

  HWND Handle() const { return hwnd_; }
  HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
  std::string FieldText(int id) const;
  void SetFieldText(int id, const std::string& text);

  // Tools menu. The editor entries wait until their window closes.
  void OnRemovePlayerClicked();
  void OnRemoveServerClicked();
  void OnExitClicked();
  // "Server List": the saved servers' or a game's listed servers' status,
  // waited for until it closes.
  void OnServerListClicked();
  ServerListWindow* OpenServerList();
  // The masters' lists the Server List took within the last minute.
  KeptMasterLists keptMasterLists;
  // Opens an editor without waiting for it (the menu entries then wait).
  ListEditorWindow* OpenPlayersEditor();
  ListEditorWindow* OpenServerEditor();

  // Start buttons: the checks before a start, then the start request
  // (main_launch.cpp).
  void OnStartClicked(GameEdition edition);
  bool CheckBeforeLaunch();
  void StartGame();
  GameEdition gameEdition = GameEdition::AlliedAssault;
  std::string launchName, launchArgs, launchFile;
  // Archives of the disable list the last checks could not switch off.
  std::vector<FileLeftOn> archivesLeftOn;
  // Lists the last checks could not save that were not named to the player before.
  std::vector<std::string> unsavedLists;

  // OpenMoHAA (main_openmohaa.cpp): the player's remembered choice, used
  // only while the game folder holds OpenMoHAA's programs. The player may
  // unzip OpenMoHAA or type another folder while the launcher runs: the game
  // folder is looked at at start-up, when its field changes, when a menu
  // opens and at a start, never on a mouse move.
  bool startWithOpenMohaa = false;
  OpenMohaaFiles openMohaaFiles;
  void LookForOpenMohaa();
  // Where OpenMoHAA keeps its settings and reads add-on archives.
  std::string openMohaaHome;
  void OnStartWithOpenMohaaClicked();
  bool UsingOpenMohaa() const;
  StartProgram StartProgramFor(GameEdition edition) const;
  // The folders whose add-on archives the disable list offers: the game
  // folder, and OpenMoHAA's data folders while it is used.
  std::vector<std::string> ArchiveFolders() const;
  // The disable list's entries a start switches off: those inside OpenMoHAA's
  // home folder only while it is used, as only it reads them.
  std::vector<std::string> EntriesToSwitchOff(const std::vector<std::string>& entries) const;
  // The help line's text for the mouse over a control; empty for none.
  std::string HelpText(int id) const;

  // The disable list (main_disable_list.cpp). The window entry waits until
  // its window closes; OpenDisableWindow does not.
  void OnDisableAllClicked();
  void OnDisableSelectedClicked();
  DisableListWindow* OpenDisableWindow();
  // Appends the add-on archives under folder to listedArchives.
  void ListArchives(const std::string& folder);

  const std::string& AppFolder() const { return appFolder_; }
  std::string appVersion;
  std::string statusPrefix;
  std::vector<std::string> rememberedNames, rememberedServers, rememberedPasswords;
  // The disable list as last read for a start.
  std::vector<std::string> disableEntries;
  // What "Disable ALL PK3 Files" found last.
  std::vector<std::string> listedArchives;
  // The information line's pairs of the last status reply.
  std::vector<std::string> infoPairs;

  // Server status (main_status.cpp). The query waits without holding the
  // window. One asked for while one waits is that one when the field still
  // names its server; for another server it follows it.
  void QueryServerStatus();
  void OnServerStatusClicked();
  void OnServerFieldLeft();
  // A server picked in the Server List: as if typed into the field and the field left.
  void OnServerPicked(const std::string& server);
  // "Add to Saved" in the Server List.
  void OnServerAddedToSaved(const std::string& server);
  // "Launch Corvel": the status query first while no map list is known, then
  // the overlay starter, waited for.
  void OnLaunchCorvelClicked();
  // The same without waiting for the starter; nullptr when none opened now
  // (it opens when the query asked for or running ends).
  OverlayStarterWindow* LaunchCorvel();
  bool Querying() const { return statusQuery_.Running(); }
  const std::string& MapList() const { return mapList_; }

 private:
  static LRESULT CALLBACK HelpProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
  static LRESULT CALLBACK WarningHookProc(int code, WPARAM removing, LPARAM lParam);
  void CreateControls();
  void ScaleControls();
  void SetButtonIcons();
  void OnDpiChanged(int dpi, LPARAM suggestedRect);
  void CreateMenuBar();
  // Greys the OpenMoHAA entry when the game folder lacks its programs, and
  // ticks it while the start buttons start OpenMoHAA.
  void UpdateOpenMohaaEntry();
  void OnCommand(int id);

  // The help line. The mouse's help texts follow the pointer; a notice is an
  // action's result; a warning stays, whatever the mouse does, until the
  // player's next action (a click, a key, a new start).
  void ShowHelp(const std::string& text);
  void ShowNotice(const std::string& text);
  void ShowWarning(const std::string& text);
  void OnPlayerAction();
  bool OwnsWindow(HWND hwnd) const;
  bool warningShown_ = false;
  // Sees every message the thread takes from its queue while a warning is up,
  // whichever loop takes it: a click or key anywhere in this window ends it.
  HHOOK warningHook_ = nullptr;

  static constexpr UINT kServerFieldLeftMessage = WM_APP + 3;
  static constexpr UINT kServerPickedMessage = WM_APP + 4;
  static constexpr UINT kOpenStarterMessage = WM_APP + 5;
  // What the running status query's end does beside showing its reply.
  enum class AfterQuery {
    Nothing,
    OpenStarter,                // "Launch Corvel" pressed, or waiting for the map list
    QueryAgain,                 // another server asked for meanwhile: the field's is queried next
    QueryAgainThenOpenStarter,  // both
  };
  static AfterQuery Joined(AfterQuery due, AfterQuery asked);
  void StartStatusQuery(AfterQuery after);
  void OnStatusQueryEnded(const std::string& server, const std::string& reply);
  void ShowStatusReply(const std::string& reply);
  OverlayStarterWindow* OpenOverlayStarter();
  StatusQuery statusQuery_;
  AfterQuery afterQuery_ = AfterQuery::Nothing;
  std::string mapList_;

  bool GameIsRunning();
  void WarnIfFolderUnwritable();
  void LoadPlayerName();
  void LoadGameFolder();
  void LoadLists();
  void RestoreSwitchedOffFiles(const std::string& gameFolder);
  ListEditorWindow* OpenEditor(const char* caption, std::vector<std::string>& remembered, int field, const char* file);
  void RememberEntry(std::vector<std::string>& remembered, int field, const std::string& text, const char* file);
  void SaveList(const char* file, const std::string& header, const std::vector<std::string>& entries);
  // False when start-up found the folder unwritable (and said so).
  bool folderWritable_ = true;
  // The list files the player has been told could not be saved.
  std::set<std::string> listsNamedUnsaved_;

  // The list editors, the disable window, the overlay starter and the server list are modal:
  // one of them at a time, owned by this window. Each object outlives its
  // window until the next opening, as its modal loop may still be running.
  bool ModalWindowOpen() const;
  void CloseModalWindows();
  template <typename Window, typename... Args>
  Window* OpenModal(std::unique_ptr<Window>& slot, Args&&... args) {
    if (!hwnd_ || unloading_ || ModalWindowOpen()) return nullptr;
    slot = std::make_unique<Window>(OwnerWindow{hwnd_, dpi_}, std::forward<Args>(args)...);
    if (!slot->Open()) slot.reset();
    return slot.get();
  }

  std::string appFolder_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  HFONT font_ = nullptr;
  HFONT helpFont_ = nullptr;
  HICON icons_[3] = {};
  bool closed_ = false;
  bool unloading_ = false;
  std::unique_ptr<ListEditorWindow> editor_;
  std::unique_ptr<DisableListWindow> disableWindow_;
  std::unique_ptr<OverlayStarterWindow> overlayStarter_;
  std::unique_ptr<ServerListWindow> serverList_;
};
