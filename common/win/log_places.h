#pragma once
// Where corvel2 keeps its record of commands: beside corvel2.exe, or where that
// folder takes no file, in the user's own Kestrun folder. The launcher's
// "Show Log" looks in the same two places.
#include <string>
#include <vector>

constexpr const char* kCommandLogName = "\\corvel2-log.txt";
constexpr const char* kOldCommandLogName = "\\corvel2-log.old.txt";

// The folder of the running program; empty when it cannot be told.
std::string RunningProgramFolder();

// %LOCALAPPDATA%\Kestrun; empty when the variable is missing.
std::string FallbackLogFolder();

// The folders a log is written to, in order of preference, for the folder of
// corvel2.exe.
std::vector<std::string> CommandLogFolders(const std::string& programFolder);

// The logs in the folders above, the one written last at the end. Each line
// goes to the first folder that takes it, so while the first log is held or
// read-only the lines of one run go to the second: the log can be split.
std::vector<std::string> CommandLogsByAge(const std::string& programFolder);
