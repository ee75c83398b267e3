#pragma once
// OpenMoHAA on the real system: the home folder where it keeps its settings
// and reads add-on archives, and the probes for its programs.
#include <string>
#include <vector>

// "%APPDATA%\openmohaa" of the user, without final backslash; empty when the
// system names no application-data folder.
std::string OpenMohaaHome();

// The three data folders inside the home folder, in the games' order.
std::vector<std::string> HomeDataFolders(const std::string& home);

// True for an existing file that is no folder.
bool IsPlainFile(const std::string& path);

// Switches back on, by the home folder's part of the extension table, every
// switched-off file of the data folders. A home folder that does not exist
// costs one probe and changes nothing.
void ApplyHomeExtensionTable(const std::string& home);
