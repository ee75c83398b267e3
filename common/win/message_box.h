#pragma once
// The program's title and its message boxes. Every message box of the programs
// goes through ShowMessage, so that tests can read the text and answer it.
#include <functional>
#include <string>

const std::string& AppTitle();
void SetAppTitle(const std::string& title);

// Shows text with the given MB_ button flags (no icon), titled with AppTitle()
// unless a title is given. Returns the button pressed (IDOK, IDYES, IDNO).
int ShowMessage(const std::string& text, unsigned buttons);
int ShowMessage(const std::string& text, unsigned buttons, const std::string& title);

// Tests install a hook that receives text, title and buttons and returns the answer.
using MessageHook = std::function<int(const std::string& text, const std::string& title, unsigned buttons)>;
void SetMessageHook(MessageHook hook);
