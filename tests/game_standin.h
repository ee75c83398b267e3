#pragma once
// The game stand-in programs in a test's game folder, and what they logged.
#include <windows.h>

#include <string>
#include <vector>

// One start of a stand-in, as it logged it.
struct LaunchRecord {
  std::string program;        // its file name
  std::string commandLine;    // the full command line it received
  std::string workingFolder;  // its current folder at start
  DWORD process = 0;
};

// Copies mohaa.exe, moh_spearhead.exe and moh_breakthrough.exe from the build
// into folder; false when one is missing.
bool InstallStandIns(const std::string& folder);

// Copies the stand-in into folder under another program's name (one of
// OpenMoHAA's, say); false when it could not.
bool InstallStandInAs(const std::string& folder, const std::string& program);

// The complete records of the log beside the stand-ins in folder.
std::vector<LaunchRecord> LaunchRecords(const std::string& folder);

// Waits, running window events, until the log holds count records; returns
// what it holds then.
std::vector<LaunchRecord> WaitForLaunches(const std::string& folder, size_t count, int timeoutMs = 30000);

// Waits, running window events, until the process has ended; true when it has
// (or was gone already).
bool WaitForExit(DWORD process, int timeoutMs = 30000);
