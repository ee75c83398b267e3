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

#include "common/win/owned_window.h"
#include "launcher/core/server_list.h"

class ServerListWindow : public OwnedWindow {
 public:
  // entries: the servers to show (see ServerListEntries); onPick takes the
  // picked server once the window has closed; request is the status query's datagram.
  ServerListWindow(OwnerWindow owner, std::vector<std::string> entries,
                   std::function<void(const std::string&)> onPick, std::string request);
  ~ServerListWindow() override;

  // Opens the window and sends the first round (the owner takes no input while it is open).
  bool Open();
  // Ends the round, then closes.
  void Close() override;

  // A new round: the old one's socket, lookups and replies are dropped.
  void Refresh();
  // Closes and hands the row's server to onPick.
  void PickRow(int row);
  void SortBy(ServerColumn column);

  HWND List() const { return list_; }
  HWND RefreshButton() const { return refreshButton_; }
  HWND CloseButton() const { return closeButton_; }
  bool RoundRunning() const { return round_.Running(); }
  const ServerList& Servers() const { return servers_; }
  // The local port of the round's socket, 0 between rounds.
  int LocalPort() const { return round_.LocalPort(); }

 private:
  // Fits the controls to the client area at the window's DPI (96-dpi sizes scaled).
  void LayOut() override;
  LRESULT OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
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

  std::function<void(const std::string&)> onPick_;
  std::vector<std::string> entries_;
  std::string request_;
  ServerList servers_;
  HWND list_ = nullptr;
  HWND refreshButton_ = nullptr;
  HWND closeButton_ = nullptr;
  int columnsDpi_ = 0;
  // Its rows are the entries in their first order, whatever the sort.
  UdpRound round_;
  std::string shownText_;
};
