// Finds the file that a name stored in a .x file means on this system. Such
// names come from Windows: backslashes separate folders and letter case is
// not significant there.
#pragma once

#include <optional>
#include <string>

// Tries, in order, and returns the first path naming an existing regular file:
// 1. the name with backslashes as separators, against the current directory
//    (or as an absolute path);
// 2. the same, matching each path component without regard to ASCII letter
//    case (an exact match wins; among several others the smallest name);
// 3. and 4. steps 1 and 2 relative to the folder of referencingFile;
// 5. the name's base name (after the last backslash, slash or colon) in that
//    folder, exactly, then without regard to case.
// referencingFile may be empty (steps 3 to 5 are skipped then).
std::optional<std::string> ResolveStoredPath(const std::string& name,
                                             const std::string& referencingFile);
