#pragma once
// The record of commands on disk. Each line is appended to the first of the
// folders that takes it, with the file opened for that line only, so that the
// log can be read, moved or deleted while corvel2 runs. Lines go to the disk
// before Append returns.
#include <string>
#include <vector>

#include "overlay/core/command_log.h"

class CommandLogFile : public CommandLog {
 public:
  void SetFolders(std::vector<std::string> folders) { folders_ = std::move(folders); }
  const std::vector<std::string>& Folders() const { return folders_; }

  bool Append(const CommandRecord& record) override;

  // The file the last line went to; empty before the first.
  const std::string& LastPath() const { return lastPath_; }

 private:
  std::vector<std::string> folders_;
  std::string lastPath_;
};

// Appends line to the log in folder, renewing the log first when the line
// would take it past its limit. False when the line could not be written whole.
bool AppendLogLine(const std::string& folder, const std::string& line);
