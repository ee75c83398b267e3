#pragma once
// Renaming files between their live and switched-off extensions, on the real
// file system. A failure leaves that file as it was; only SwitchOffFiles
// reports its failures, since the player expects those archives off in game.
#include <string>
#include <vector>

// Renames every ordinary file (not hidden, not system, no sub-folders) of the
// folder whose extension is fromExtension to its base name + "." +
// toExtension. A target name that exists already is left alone.
void ChangeExtensions(std::string folder, const std::string& fromExtension, const std::string& toExtension);

// Switches back on, folder by folder, every file the extension table names.
// An empty game folder does nothing.
void ApplyExtensionTable(const std::string& gameFolder);

// Switches back on each disable-list entry (a full path with its live
// extension) whose switched-off file exists while the live one does not.
// Entries that are not full paths are passed over.
void RestoreDisabledFiles(const std::vector<std::string>& entries);

// An archive of the disable list that stayed on, and why ("in use", "access
// denied", ...).
struct FileLeftOn {
  std::string path;
  std::string reason;
};

// Switches off each disable-list entry that names an existing file by its full
// path: renamed to its path with the last character replaced by "b". Entries
// whose file is missing or already switched off are skipped; an existing file
// that cannot be renamed (held open by another program, a folder that cannot
// be written, its switched-off name taken) stays on and is returned.
std::vector<FileLeftOn> SwitchOffFiles(const std::vector<std::string>& entries);

// Calls made on the file system so far, for the start-up probe.
struct FileSystemCalls {
  long listings = 0;     // folder listings opened
  long nextEntries = 0;  // further listing steps
  long probes = 0;       // attribute queries
  long renames = 0;
};
FileSystemCalls& FileSystemCallCount();
