#pragma once
// The overlay square: it owns the link to the inspection server,
// the refresh timer and the action window, and ends the program when it closes.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "overlay/core/hotkeys.h"
#include "overlay/core/inspection_record.h"
#include "overlay/core/link_records.h"
#include "overlay/core/player_actions.h"
#include "overlay/core/watchdog.h"
#include "overlay/win/action_window.h"
#include "overlay/win/command_log_file.h"
#include "overlay/win/link_settings.h"
#include "overlay/win/rcon_console.h"
#include "overlay/win/tcp_link.h"

constexpr COLORREF kLinkDownColor = RGB(255, 0, 0);
constexpr COLORREF kLinkUpColor = RGB(0, 128, 0);
constexpr int kLinkLocalPort = 930;
// A dump's verdict is written this long after its row was found.
constexpr int kDumpPauseMs = 500;
constexpr int kMaxDumpPauses = 4;

class OverlayWindow : public RecordSink, public WindowOrder, public CommandSink {
 public:
  // Every message of the object's window (see ObjectWindowProc).
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  OverlayWindow();
  OverlayWindow(const OverlayWindow&) = delete;
  OverlayWindow& operator=(const OverlayWindow&) = delete;
  ~OverlayWindow() override;

  // Opens the square and the action window and starts the link. Returns false
  // only when the square itself cannot be created.
  bool Open();
  void OnRefreshTick();

  // Sends a command text over the link unchanged; false when the link is down
  // or the send failed.
  bool SendCommand(const std::string& text) override;

  // Record hand-off from the link. An inspection record fills the player grid.
  void ShowInspectionRecord(const std::string& body) override;
  void ShowDumpVerdict(const std::string& body) override;

  // The refresh timer's interval; tests slow it down to drive ticks themselves.
  void SetRefreshInterval(unsigned ms) { refreshMs_ = ms; }

  // Closes the overlay window, which ends the program.
  void Close();

  HWND Handle() const { return hwnd_; }
  ActionWindow& ActionPane() { return actionWindow_; }
  TcpLink& Link() { return link_; }
  // The remote console, running when ChosenLink() chose it.
  RconConsole& Console() { return console_; }
  bool ConsoleMode() const { return linkSettings_.link == settings::OverlayLink::RemoteConsole; }
  COLORREF BackColor() const { return backColor_; }
  bool Ended() const { return ended_; }
  GridMode Mode() const { return gridMode_; }
  // The link chosen in Corvel Setup, as read at Open.
  const LinkSettings& ChosenLink() const { return linkSettings_; }
  const Watchdog& LinkWatchdog() const { return watchdog_; }

  void SetTopmost(Pane pane, bool topmost) override;

  // The key steps and what the last inspection record left behind.
  PlayerActions& Actions() { return actions_; }
  // The record of commands; tests point it at folders of their own.
  CommandLogFile& Log() { return log_; }
  const PlayerGridState& GridState() const { return gridState_; }

  // The last record bodies handed to the decoders, and how many came. A
  // status shown from the remote console counts as an inspection record.
  const std::string& LastInspectionRecord() const { return lastInspectionRecord_; }
  const std::string& LastDumpRecord() const { return lastDumpRecord_; }
  // The raw lines of the last dump record.
  const std::vector<std::string>& DumpLines() const { return dumpLines_; }
  int InspectionRecordCount() const { return inspectionRecordCount_; }
  int DumpRecordCount() const { return dumpRecordCount_; }

 private:
  void ReadSettings();
  void PlaceSquare();
  void OnDpiChanged(int dpi);
  void PlaceActionWindow();
  void SetBackColor(COLORREF color);
  void Paint();
  void StopLinkAndTimers();
  void OnRightClick();
  void ShowPlayerGrid();
  void StartConsole();
  void OnConsoleTick();
  void ShowConsoleState();

  void OnLinkNotice(const LinkNotice& notice);
  void OnLinkConnected();
  void OnLinkData(const std::string& data);
  void OnLinkClosed(const std::string& lastPiece);
  void OnIncomingConnection();
  void PollJoiner();
  void AnalyseDumpAndWriteVerdict(const std::string& body);
  void DispatchRecords(std::vector<std::string>& ready);

  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  int screenWidth_ = 0;  // twips
  COLORREF backColor_ = kLinkDownColor;
  bool ended_ = false;
  bool closing_ = false;
  unsigned refreshMs_ = 10;

  GridMode gridMode_ = GridMode::NamesOnly;
  bool useScrollLock_ = false;
  std::string serverAddress_;
  std::string serverPort_;
  std::string mapList_;
  LinkSettings linkSettings_;

  Watchdog watchdog_;
  TcpLink link_;
  RecordJoiner joiner_;
  RecordQueue records_;
  ActionWindow actionWindow_;
  PlayerGridState gridState_;
  CommandLogFile log_;
  PlayerActions actions_;
  RconConsole console_;
  std::string consoleLine_;  // the last red state's line shown
  bool noBanFileShown_ = false;

  std::string lastInspectionRecord_;
  std::string lastDumpRecord_;
  std::vector<std::string> dumpLines_;
  int dumpPauses_ = 0;
  int inspectionRecordCount_ = 0;
  int dumpRecordCount_ = 0;
};
