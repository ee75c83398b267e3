#pragma once
// MiniRemote, the overlay square: it owns the link to the inspection server,
// the refresh timer and the action window, and ends the program when it closes.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "action_window.h"
#include "hotkeys.h"
#include "link_records.h"
#include "player_actions.h"
#include "status_record.h"
#include "tcp_link.h"
#include "watchdog.h"

constexpr COLORREF kLinkDownColor = RGB(255, 0, 0);
constexpr COLORREF kLinkUpColor = RGB(0, 128, 0);
constexpr int kLinkLocalPort = 930;
// A dump's verdict is written this long after its row was found.
constexpr int kDumpPauseMs = 500;
constexpr int kMaxDumpPauses = 4;

class MiniRemote : public RecordSink, public WindowOrder, public CommandSink {
 public:
  // Every message of the object's window (see ObjectWindowProc).
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  MiniRemote();
  MiniRemote(const MiniRemote&) = delete;
  MiniRemote& operator=(const MiniRemote&) = delete;
  ~MiniRemote() override;

  // Opens the square and the action window and starts the link. Returns false
  // only when the square itself cannot be created.
  bool Form_Load();
  void Form_Unload();
  void Form_MouseDown(int button);
  void Timer1_Timer();

  // Sends a command text over the link unchanged; false when the link is down
  // or the send failed.
  bool cmdSend(const std::string& strTemp) override;

  // Record hand-off from the link. A status record fills the player grid.
  void extractstatus(const std::string& MainData) override;
  void dump(const std::string& MainData) override;

  // The refresh timer's interval; tests slow it down to drive ticks themselves.
  void SetRefreshInterval(unsigned ms) { refreshMs_ = ms; }

  // Closes the overlay window, which ends the program.
  void Close();

  HWND Handle() const { return hwnd_; }
  ActionWindow& plist() { return plist_; }
  TcpLink& Winsock1() { return winsock1_; }
  COLORREF BackColor() const { return backColor_; }
  bool Ended() const { return ended_; }
  int ShowAll() const { return showAll_; }
  const Watchdog& LinkWatchdog() const { return watchdog_; }

  void SetTopmost(Pane pane, bool topmost) override;

  // The key steps and what the last status record left behind.
  PlayerActions& Actions() { return actions_; }
  const StatusState& Status() const { return status_; }

  // The last record bodies handed to the decoders, and how many came.
  const std::string& LastStatus() const { return lastStatus_; }
  const std::string& LastDump() const { return lastDump_; }
  // The raw lines of the last dump record.
  const std::vector<std::string>& List2() const { return List2_; }
  int StatusCount() const { return statusCount_; }
  int DumpCount() const { return dumpCount_; }

 private:

  void ReadSettings();
  void PlaceSquare();
  void PlaceActionWindow();
  void SetBackColor(COLORREF color);
  void Paint();

  void OnSocketMessage(WPARAM wParam, LPARAM lParam);
  void Winsock1_Connect();
  void Winsock1_DataArrival(const std::string& data);
  void Winsock1_Close(const std::string& lastPiece);
  void Winsock1_ConnectionRequest();
  void PollJoiner();
  void AnalyseAndShowDump(const std::string& MainData);
  void DispatchReady(std::vector<std::string>& ready);

  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  int screenWidth_ = 0;  // twips
  COLORREF backColor_ = kLinkDownColor;
  bool ended_ = false;
  bool unloading_ = false;
  unsigned refreshMs_ = 10;

  int showAll_ = 0;
  int useScrollLock_ = 0;
  std::string ip_;
  std::string port_;
  std::string mapList_;

  Watchdog watchdog_;
  TcpLink winsock1_;
  RecordJoiner joiner_;
  ActionWindow plist_;
  StatusState status_;
  PlayerActions actions_;

  std::string lastStatus_;
  std::string lastDump_;
  std::vector<std::string> List2_;
  int dumpPauses_ = 0;
  int statusCount_ = 0;
  int dumpCount_ = 0;
};
