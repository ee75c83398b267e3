#pragma once
// The "Server List" window: the status of every saved server at once, queried
// over one UDP socket, each reply shown as it arrives. A double-click or Enter
// on a row puts its server into the main window's server field.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "common/win/owned_window.h"
#include "launcher/core/server_list.h"

class ServerListWindow : public OwnedWindow {
 public:
  // entries: the servers to show (see ServerListEntries); serverField takes the
  // picked server; request is the status query's datagram.
  ServerListWindow(OwnerWindow owner, std::vector<std::string> entries, HWND serverField, std::string request);
  ~ServerListWindow() override;

  // Opens the window and sends the first round (the owner takes no input while it is open).
  bool Open();
  // Ends the round, then closes.
  void Close() override;

  // A new round: the old one's socket, lookups and replies are dropped.
  void Refresh();
  // Puts the row's server into the server field and closes.
  void PickRow(int row);
  void SortBy(ServerColumn column);

  HWND List() const { return list_; }
  HWND RefreshButton() const { return refreshButton_; }
  HWND CloseButton() const { return closeButton_; }
  bool RoundRunning() const { return socket_ != INVALID_SOCKET; }
  const ServerList& Servers() const { return servers_; }
  // The local port of the round's socket, 0 between rounds.
  int LocalPort() const;

 private:
  static constexpr UINT kSocketMessage = WM_APP + 11;
  static constexpr UINT kLookupMessage = WM_APP + 12;
  static constexpr int kMaxLookups = 4;

  // A host name being looked up; the result lands in entry.
  struct Lookup {
    HANDLE handle = nullptr;
    std::string host;
    char entry[MAXGETHOSTSTRUCT] = {};
  };

  // Fits the controls to the client area at the window's DPI (96-dpi sizes scaled).
  void LayOut() override;
  LRESULT OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  void AddColumns();
  void ShowAllRows();
  void ShowEveryRow();
  void ShowRow(size_t row);
  void OnCellWanted(NMLVDISPINFOA& cell);
  void StartRound();
  void SendRound();
  void StopRound();
  void EndRound();
  void SendRequest(size_t row, uint32_t address);
  void StartLookups();
  bool LookingUp(const std::string& host) const;
  void OnLookupDone(HANDLE handle, int error);
  void ReadWaiting();
  void OnOkPressed();
  int SelectedRow() const;
  void SelectRow(int row);

  HWND serverField_;
  std::vector<std::string> entries_;
  std::string request_;
  ServerList servers_;
  HWND list_ = nullptr;
  HWND refreshButton_ = nullptr;
  HWND closeButton_ = nullptr;
  int columnsDpi_ = 0;
  SOCKET socket_ = INVALID_SOCKET;
  bool winsockReady_ = false;
  std::vector<std::unique_ptr<Lookup>> lookups_;
  std::vector<char> datagram_;
  std::string shownText_;
};
