#pragma once
// The administrator's two key presses: pick a player by key character, then
// an action (or a map) by letter. Platform-free: the windows, the keyboard
// and the link sit behind the small interfaces below.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "overlay/core/command_log.h"
#include "overlay/core/grid_model.h"

// The overlay's two windows, as far as the z-order is concerned.
enum class Pane { Overlay, Actions };

class WindowOrder {
 public:
  virtual ~WindowOrder() = default;
  // Moves a window into the topmost band, or out of it.
  virtual void SetTopmost(Pane pane, bool topmost) = 0;
};

// The action window's controls that the key steps change.
class ActionView {
 public:
  virtual ~ActionView() = default;
  virtual void SetMessageLine(const std::string& text) = 0;
  virtual void ShowActions(bool show) = 0;
  virtual void ShowMaps(bool show) = 0;
  virtual std::vector<std::string> MapLines() const = 0;
};

class CommandSink {
 public:
  virtual ~CommandSink() = default;
  // Sends a command text unchanged; false when it did not go out.
  virtual bool SendCommand(const std::string& text) = 0;
};

// What a link with commands of its own (the remote console) made of an
// action, and the command as the log records it.
enum class RouteOutcome {
  Sent,
  NotSent,         // the server can do it, but it could not go out now
  NotAvailable,    // the server cannot do it
  ServerNotKnown,  // no answer yet tells what the server can do
};
struct RoutedCommand {
  RouteOutcome outcome = RouteOutcome::NotAvailable;
  std::string command;
};

class CommandRouter {
 public:
  virtual ~CommandRouter() = default;
  virtual RoutedCommand RouteAction(char key, int client) = 0;
  virtual RoutedCommand RouteMap(const std::string& map) = 0;
};

// Said for an action the server cannot do, or before it has answered;
// nothing is sent or logged.
constexpr const char* kNotAvailableMessage = "Not available on this server";
constexpr const char* kServerNotKnownMessage = "Not Sent - Waiting for Server";

// Where the administrator is in the key steps. Done lasts until the next
// tick, which puts the overlay back on top and returns to Idle.
enum class MenuMode { Idle, Pick, Action, Done };

struct ActionState {
  MenuMode menuMode = MenuMode::Idle;
  bool mapPending = false;  // the next action key chooses a map
  int pickedClient = 0;
  std::string pickedKey;
  bool nextPage = false;  // Page Down came: the next key picks a "+" key's player
};

// Said when Page Down turns the next key to the players shown with "+".
constexpr const char* kNextPageMessage = "Page Down - keys with +";

enum class ActionKind { SendCommand, ChangeMap, Cancel };

// One line of the action menu: the line as shown ("K - Kick"), which begins
// with the key that chooses it, and for a command the text sent for client n:
// prefix, n, suffix.
struct PlayerAction {
  const char* menuLine;
  ActionKind kind;
  const char* prefix;
  const char* suffix;
  char Key() const { return menuLine[0]; }
};

// The action menu in its order; it makes both the menu's lines and the
// commands sent.
extern const std::array<PlayerAction, 18> kPlayerActions;

// The menu lines of kPlayerActions, in order.
std::vector<std::string> ActionMenuLines();

// The command text of an action key for a client, or empty for keys that
// send nothing ("C", "X" and the letters without an action).
std::string ActionCommand(char key, int client);

// Shown once when a command went out and no log could take its line.
constexpr const char* kNoLogMessage = "Command Sent - no log file";

class PlayerActions {
 public:
  PlayerActions(ActionView& view, WindowOrder& order, CommandSink& link, const GridModel& grid)
      : view_(view), order_(order), link_(link), grid_(grid) {}

  // A key of the pick step: a player's key character, Page Down before a
  // key shown with "+", or the right arrow, which shows the map list. Any
  // other key names no client and does nothing.
  void OnPickKey(uint16_t key);
  // A key of the action step: an action letter, or a map letter after "C".
  void OnActionKey(uint16_t key);

  // Every command that goes out is recorded there; none when null.
  void SetLog(CommandLog* log) { log_ = log; }
  // Actions and maps go to the router instead of the link; none when null.
  void SetRouter(CommandRouter* router) { router_ = router; }

  // Mouse clicks on the action window all return to the idle state.
  void OnWindowClick();
  void OnMessageLineClick();
  void OnMapListClick();

  ActionState state;

 private:
  void ChooseAction(char key);
  void ChooseMap(char key);
  void OverlayOnTop();  // the action window first, then the overlay
  void Dismiss();
  void SendAndReport(const std::string& text, bool reportSent, CommandRecord record);
  void ReportRouted(const RoutedCommand& routed, bool reportSent, CommandRecord record);
  void Record(CommandRecord record, const std::string& command);
  void FillPickedRow(CommandRecord& record) const;

  ActionView& view_;
  WindowOrder& order_;
  CommandSink& link_;
  const GridModel& grid_;
  CommandLog* log_ = nullptr;
  CommandRouter* router_ = nullptr;
  bool noLogShown_ = false;  // since the last line that was written
};
