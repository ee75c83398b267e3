#pragma once
// The action window: the player grid, the action menu, the map list and the
// message line. Borderless like the overlay square: its caption names it in
// the task list only. Sizes are kept in twips.
#include <windows.h>

#include <string>
#include <vector>

#include "overlay/core/grid_model.h"
#include "overlay/core/player_actions.h"

class ActionWindow : public ActionView {
 public:
  // Every message of the window (see ObjectWindowProc).
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  ActionWindow() = default;
  ActionWindow(const ActionWindow&) = delete;
  ActionWindow& operator=(const ActionWindow&) = delete;
  ~ActionWindow() override { Close(); }

  // Creates the window, still hidden, at its monitor's DPI.
  bool Create();
  void Close();
  HWND Handle() const { return hwnd_; }
  HWND GridHandle() const { return grid_; }

  // Window geometry in twips, screen coordinates.
  void SetWidth(int twips);
  void SetHeight(int twips);
  void SetLeft(int twips);
  void SetTop(int twips);
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Left() const { return left_; }
  int Top() const { return top_; }
  // Twips from the window's top to the bottom of its monitor's work area.
  int RoomBelowTop() const;
  int Dpi() const { return dpi_; }

  void SetMessageLineWidth(int twips);
  void SetMessageLineTop(int twips);
  int MessageLineWidth() const { return messageLineWidth_; }
  void SetMessageLine(const std::string& text) override;
  std::string MessageLine() const;

  void SetGridWidth(int twips);
  void SetGridHeight(int twips);
  int GridWidth() const { return gridWidth_; }
  int GridHeight() const { return gridHeight_; }
  GridModel& Grid() { return playerGrid_; }
  void RefreshGrid();

  void SetActionLines(const std::vector<std::string>& lines);
  void SetMapLines(const std::vector<std::string>& lines);
  std::vector<std::string> ActionLines() const;
  std::vector<std::string> MapLines() const override;
  void ShowActions(bool show) override;
  void ShowMaps(bool show) override;
  bool ActionsShown() const;
  bool MapsShown() const;

  // Where the window's mouse clicks go.
  void SetClickTarget(PlayerActions* actions) { clicks_ = actions; }

  // Shows the window without taking the focus from the game.
  void Show();

 private:
  void OnDpiChanged(WPARAM dpiPair);
  void PlaceWindow();
  void PlaceChild(HWND child, int leftTw, int topTw, int widthTw, int heightTw);
  void PlaceChildren();
  void OnCommand(HWND control, int code);

  HWND hwnd_ = nullptr;
  HWND grid_ = nullptr;
  HWND actionMenu_ = nullptr;
  HWND mapMenu_ = nullptr;
  HWND messageLine_ = nullptr;
  HFONT font_ = nullptr;
  PlayerActions* clicks_ = nullptr;
  int dpi_ = 96;
  GridModel playerGrid_;
  int width_ = 3000, height_ = 5040, left_ = 0, top_ = 25;
  int messageLineWidth_ = 3000, messageLineTop_ = 5040 - 255;
  int gridWidth_ = 3000, gridHeight_ = 520;
};
