#pragma once
// Renaming files between their live and switched-off extensions, on the real
// file system. Every failure is a quiet no-op for that file.
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

// Switches off each disable-list entry that names an existing file by its full
// path: renamed to its path with the last character replaced by "b". Entries
// whose file is missing, already switched off or whose target name is taken
// are skipped.
void SwitchOffFiles(const std::vector<std::string>& entries);

// Calls made on the file system so far, for the start-up probe.
struct FileSystemCalls {
  long listings = 0;     // folder listings opened
  long nextEntries = 0;  // further listing steps
  long probes = 0;       // attribute queries
  long renames = 0;
};
FileSystemCalls& FileSystemCallCount();
