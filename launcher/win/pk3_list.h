#pragma once
// pk3list, "Disable PK3 Files": the add-on archives found under the game
// folder on the left, the ones chosen for the disable list on the right.
#include <windows.h>

#include <string>

class Pk3List {
 public:
  // Every message of the object's window (see ObjectWindowProc).
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // gameFolder is listed; disablePath is the disable list's file.
  Pk3List(HWND owner, std::string gameFolder, std::string disablePath);
  ~Pk3List();
  Pk3List(const Pk3List&) = delete;
  Pk3List& operator=(const Pk3List&) = delete;

  // Opens the window (the owner takes no input while it is open).
  bool Open();
  // Runs the window's events until it closes.
  void RunModal();

  void Form_Load();
  // Appends the archives under vspath to List1.
  void ShowFilesext(const std::string& vspath);
  void List1_DblClick();
  void List2_DblClick();
  void Command1_Click();  // "Select All"
  void Command2_Click();  // "Quit"
  void Command3_Click();  // "Save"
  void Close();

  HWND Handle() const { return hwnd_; }
  HWND List1() const { return list1_; }
  HWND List2() const { return list2_; }
  HWND Button(int number) const;  // Command1 to Command3
  bool Closed() const { return hwnd_ == nullptr; }

 private:
  void CreateControls();
  HWND AddControl(const char* cls, const char* text, DWORD style, DWORD exStyle, RECT place, int id, HFONT font);
  void FitHorizontalExtent(HWND list);

  HWND owner_;
  std::string gameFolder_;
  std::string disablePath_;
  HWND hwnd_ = nullptr;
  HWND list1_ = nullptr;
  HWND list2_ = nullptr;
  HFONT listFont_ = nullptr;
  HFONT labelFont_ = nullptr;
  HFONT buttonFont_ = nullptr;
  int dpi_ = 96;
};
