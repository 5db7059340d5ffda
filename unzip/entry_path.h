#pragma once

#include <string>

// Whether an entry name (with "/" separators) stays inside the folder it is extracted into:
// not empty, no zero byte, no leading separator, no drive letter ("C:") and no ".." component.
bool IsContainedEntryName(std::string name);

// The folder joined to a name with one separator, unless the folder already ends with one.
std::string JoinEntryPath(std::string folder, std::string name);

// Whether a folder on the way from folder to the entry name (the name's own last component
// excluded) is a symbolic link, through which the entry could be written elsewhere.
bool PassesThroughLink(std::string folder, std::string name);

// Whether a link stored under the entry name with this target stays inside the extraction
// folder: the target is relative, climbs with leading ".." components no higher than the
// folder, and then only descends (no ".", ".." or "\" after that, no zero byte).
bool IsContainedLinkTarget(std::string name, std::string target);
