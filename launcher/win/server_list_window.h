#pragma once
// The "Server List" window: the status of every saved server at once, queried
// in one round of UDP requests, each reply shown as it arrives. A double-click
// or Enter on a row picks its server.
#include "launcher/win/udp_round.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "launcher/core/server_list.h"

class ServerListWindow {
 public:
  // Every message of the object's window (see ObjectWindowProc).
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // entries: the servers to show (see ServerListEntries); onPick takes the
  // picked server once the window has closed; request is the status query's datagram.
  ServerListWindow(HWND owner, std::vector<std::string> entries, std::function<void(const std::string&)> onPick,
                   std::string request);
  ~ServerListWindow();
  ServerListWindow(const ServerListWindow&) = delete;
  ServerListWindow& operator=(const ServerListWindow&) = delete;

  // Opens the window and sends the first round (the owner takes no input while it is open).
  bool Open();
  // Runs the window's events until it closes.
  void RunModal();
  void Close();

  // A new round: the old one's socket, lookups and replies are dropped.
  void Refresh();
  // Closes and hands the row's server to onPick.
  void PickRow(int row);
  void SortBy(ServerColumn column);
  // Places the controls for the client area at dpi (96-dpi sizes scaled).
  void LayOut(int dpi);
  void OnDpiChanged(int dpi, LPARAM suggestedRect);

  HWND Handle() const { return hwnd_; }
  HWND List() const { return list_; }
  HWND RefreshButton() const { return refreshButton_; }
  HWND CloseButton() const { return closeButton_; }
  bool Closed() const { return hwnd_ == nullptr; }
  bool RoundRunning() const { return round_.Running(); }
  const ServerList& Servers() const { return servers_; }
  // The local port of the round's socket, 0 between rounds.
  int LocalPort() const { return round_.LocalPort(); }

 private:
  void CreateControls();
  void AddColumns();
  void ShowAllRows();
  void ShowEveryRow();
  void ShowRow(size_t row);
  void OnCellWanted(NMLVDISPINFOA& cell);
  void StartRound();
  void OnRowChange(size_t entry, UdpRowChange change, uint32_t address, uint32_t atMs);
  void OnReply(const UdpReply& reply);
  void EndRound();
  void OnOkPressed();
  int SelectedRow() const;
  void SelectRow(int row);

  HWND owner_;
  std::function<void(const std::string&)> onPick_;
  std::vector<std::string> entries_;
  std::string request_;
  ServerList servers_;
  HWND hwnd_ = nullptr;
  HWND list_ = nullptr;
  HWND refreshButton_ = nullptr;
  HWND closeButton_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  int columnsDpi_ = 0;
  // Its rows are the entries in their first order, whatever the sort.
  UdpRound round_;
  std::string shownText_;
};
