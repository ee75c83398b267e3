#pragma once
// The "Server List" window: the saved servers, every server the master
// servers list for one of the three games, or those answering a broadcast on
// the local network, each asked for its status in one
// round of UDP requests and shown as its reply arrives. The selected server's
// players show under the list; filters and a search narrow the rows. A
// double-click or Enter on a row picks its server; "Add to Saved" keeps it.
#include "launcher/win/master_round.h"
#include "launcher/win/query_round.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win/owned_window.h"
#include "launcher/core/kept_master_lists.h"
#include "launcher/core/server_list.h"

struct ServerListSetup {
  std::vector<std::string> savedEntries;  // see ServerListEntries
  // Each takes a server as "address:game port"; onPick once the window has closed.
  std::function<void(const std::string&)> onPick;
  std::function<void(const std::string&)> onAddToSaved;
  std::string statusRequest;  // the status query's datagram, for the saved servers
  // The masters' lists of the last minute, kept from one opening to the next; none kept when null.
  KeptMasterLists* keptMasterLists = nullptr;
};

class ServerListWindow : public OwnedWindow {
 public:
  ServerListWindow(OwnerWindow owner, ServerListSetup setup);
  ~ServerListWindow() override;

  // Opens the window on the source, sort and filters it showed last, and
  // starts filling it (the owner takes no input while it is open).
  bool Open();
  // Ends the round, then closes.
  void Close() override;

  // Shows the source's servers: a new round for "Saved"; for a game the
  // masters are asked, unless they gave its list within the minute. The
  // choice is remembered.
  void ChooseSource(ServerSource source);
  // The shown source again, from its start (within the minute, the kept list's servers).
  void Refresh();
  // Closes and hands the row's server to onPick (a row of the list as shown).
  void PickRow(int row);
  void SortBy(ServerColumn column);
  // Hands the selected server to onAddToSaved.
  void AddSelectedToSaved();

  ServerSource Source() const { return source_; }
  HWND List() const { return list_; }
  HWND PlayersList() const { return playersList_; }
  HWND SourceBox() const { return sourceBox_; }
  HWND SearchBox() const { return searchBox_; }
  HWND HideBox(int which) const;  // 0 "Hide empty", 1 "Hide full", 2 "Hide no reply"
  HWND SummaryLine() const { return summaryLine_; }
  HWND AddButton() const { return addButton_; }
  HWND RefreshButton() const { return refreshButton_; }
  HWND CloseButton() const { return closeButton_; }
  bool MastersRunning() const { return masters_.Running(); }
  bool RoundRunning() const { return round_.Running(); }
  const ServerList& Servers() const { return servers_; }
  // The model row each list row shows, in list order.
  const std::vector<size_t>& ShownRows() const { return shownRows_; }
  // The local port of the round's socket, 0 between rounds.
  int LocalPort() const { return round_.LocalPort(); }

 private:
  void LayOut() override;
  LRESULT OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  LRESULT OnListNotice(NMHDR& notice);
  void AddColumns();
  void FillSourceBox();
  void ReadRememberedView();
  // A step with the keys in the closed box waits for the next; a pick from
  // the open list is taken as it closes.
  void OnSourceBoxChanged();
  void TakeSourceBoxChoice();
  void StartSource();
  void OnMastersDone();
  // The round of the source's servers (none asked for the local network, whose rows are who answers).
  void StartRound(std::vector<QueryTarget> targets);
  void OnChanges(const std::vector<RowChange>& changes);
  void EndRound();
  void ApplyFilter();
  void RememberSort() const;
  // The list takes the model's shown rows; the selection stays on its server,
  // and the view where it is: callers that move rows keep it with KeepAtTop.
  void ShowAllRows();
  // The server in the top row of the view; SIZE_MAX at the very top, where
  // the view stays to show rows coming in above.
  size_t TopNumber() const;
  void KeepAtTop(size_t number);
  void ScrollToTop(int row);
  // The row's cells are drawn anew with the next view refresh.
  void ShowRow(size_t row);
  // Shown rows, their cells and the summary line are brought up to date at
  // most every kViewRefreshMs while replies pour in.
  void ViewChanged();
  void RefreshView();
  void ShowSummary();
  void OnCellWanted(NMLVDISPINFOA& cell);
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
  void DrawLock(HDC dc, int item);
  void SelectOnFirstFill();
  // Selects the selected server's row, or no row while it is filtered out.
  void ShowSelection();
  void OnSelectionChanged();
  // The pane is filled again for another server, or when its reply came (rowChanged).
  void ShowPlayers(bool rowChanged);
  void OnOkPressed();
  int SelectedRow() const;
  void SelectRow(int row);
  void ShowRowInView(int row);
  const ServerRow* SelectedServer() const;

  ServerListSetup setup_;
  ServerSource source_ = ServerSource::Saved;
  // Its rows are the list's rows by number, whatever the sort.
  QueryRound round_;
  ServerList servers_;
  std::vector<size_t> shownRows_;
  size_t selectedNumber_ = SIZE_MAX;  // the selected server, wherever filters and sorts take it
  // A new source's first row, or the server selected before Refresh, is
  // selected once the list first shows rows; from then on the player's choice stays.
  bool selectWhenFilled_ = false;
  bool playerChoseRow_ = false;  // else the selection follows the first row
  // The servers selected and at the top of the view at Refresh, until the new rows come.
  std::string refreshedKey_, refreshedTopKey_;
  // The server selected at Refresh of the local network, until its row comes,
  // the player picks another or the round ends.
  std::string awaitedKey_;
  size_t playersNumber_ = SIZE_MAX;  // whose players the pane shows
  bool selectingRow_ = false;  // the selection being changed by this window, not the player
  HWND list_ = nullptr;
  HWND playersList_ = nullptr;
  HWND sourceBox_ = nullptr;
  HWND searchBox_ = nullptr;
  HWND hideBoxes_[3] = {};
  HWND summaryLine_ = nullptr;
  HWND addButton_ = nullptr;
  HWND refreshButton_ = nullptr;
  HWND closeButton_ = nullptr;
  int columnsDpi_ = 0;
  bool viewTimerSet_ = false;
  bool shownRowsChanged_ = false;  // cells of shown rows changed since the last redraw
  MasterRound masters_;
  std::vector<MasterAddress> askedMasters_;
  size_t mastersAsked_ = 0;
  size_t mastersAnswered_ = 0;
  std::string shownText_;
};
