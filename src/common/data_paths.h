#pragma once
// Where the programs find their data: engine data files, the help, the demo
// songs. A name is looked up in the working folder first, then in the
// installed data folder (beside the executable, then the configured prefix),
// then in the source tree's data/ when run from a build tree.

#include <string>
#include <vector>

namespace songloom {

// Installed and source data folders, in lookup order, that exist.
std::vector<std::string> DataDirectories();

// An absolute name as given; otherwise workDir/name when it exists, else the
// first data folder holding name (subpath allowed, e.g. "songs/x.sld"), else
// workDir/name so the caller's error names the working folder.
std::string ResolveDataFile(const std::string& workDir, const std::string& name);

// Joins folder and name with one '/'.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace songloom
