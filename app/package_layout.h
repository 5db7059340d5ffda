#pragma once

#include "unzip/zip_entry_info.h"

#include <string>
#include <vector>

class CUnzipper;

// Reads every entry's information, in the archive's order; false when the directory could not
// be read to its end.
bool ListEntries(CUnzipper& unzipper, std::vector<ZipEntryInfo>& entries);

// Whether a package's entries may be unpacked for the version: every entry lies beneath the
// one top folder named exactly versionName (or is that folder), but for one file at the top
// named exactly updaterName (when that is not empty: the updater's own file name), and no two
// entries or folders on their way have names that are equal or differ only in the case of
// ASCII letters.
bool IsPackageLayoutSound(const std::vector<ZipEntryInfo>& entries, const std::string& versionName,
                          const std::string& updaterName);

// Whether the entries hold the top-level updater file that IsPackageLayoutSound allows.
bool CarriesUpdater(const std::vector<ZipEntryInfo>& entries, const std::string& updaterName);
