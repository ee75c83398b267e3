#pragma once
// The game folder listing on the real file system: the add-on archives under
// a folder, in the walk's order (see archive_listing.h).
#include <string>
#include <vector>

// Appends the full path of every archive under topFolder whose name ends in
// extension and is no stock archive. Hidden and system entries are left out;
// folders that are links elsewhere are not entered, so that a loop of links
// cannot keep the walk going.
void ListGameFolder(const std::string& topFolder, const std::string& extension, std::vector<std::string>& out);
