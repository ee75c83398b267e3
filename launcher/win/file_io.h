#pragma once
// Whole-file reading and writing for the launcher's data files.
#include <string>
#include <vector>

// The folder that holds the running program, without trailing backslash.
std::string ProgramFolder();

// True when a file can be created and deleted in the folder, as saving a list
// needs; probed with the file "kestrun-probe.tmp", since only trying tells
// (permissions, a read-only medium, a folder Windows protects from programs
// run as the user). Where it cannot be deleted it stays, the only one.
bool FolderIsWritable(const std::string& folder);

// Reads the whole file; false when it is missing or unreadable, or larger
// than 64 MiB (or maxSize).
bool ReadWholeFile(const std::string& path, std::string& content);
bool ReadWholeFile(const std::string& path, std::string& content, size_t maxSize);

// Writes the file whole or not at all: the content goes to a temporary file in
// the same folder, which then replaces the old file. On failure the old file
// is untouched and the temporary file removed.
bool WriteWholeFile(const std::string& path, const std::string& content);

// A remembered list's entries (names, servers, passwords); a missing or
// unreadable file gives none, and so does one over 1 MiB.
std::vector<std::string> ReadListFile(const std::string& path);

// The disable list's entries, read up to the size ReplaceListFile writes (64
// MiB): a list of every archive of a large game folder is applied in full.
std::vector<std::string> ReadDisableList(const std::string& path);

// Writes a remembered list whole (header and non-empty entries); false on
// failure, and for a list over 1 MiB, which ReadListFile would not take back.
// A file that exists but failed its last reading is not overwritten: the
// entries it holds were never seen.
bool WriteListFile(const std::string& path, const std::string& header, const std::vector<std::string>& entries);

// Writes the disable list, whose every save replaces what it held, read or
// not; up to 64 MiB, all of which ReadDisableList reads back.
bool ReplaceListFile(const std::string& path, const std::string& header, const std::vector<std::string>& entries);
