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

// The log written last of those in the folders above; empty when there is none.
std::string NewestCommandLog(const std::string& programFolder);
