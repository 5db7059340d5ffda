#pragma once

#include <string>

// Writes archivePath as a zip package holding every file, folder and symbolic link under
// sourceFolder beneath a top folder named topFolder. Entries are deflated, carry their
// modification times and their Unix permission bits. The archive is written to a temporary
// file and renamed into place only when complete. With an updaterPath, the regular file there
// (links followed) is added beside the top folder as updaterName, with its mode. On failure,
// error says why.
bool WritePackage(const std::string& sourceFolder, const std::string& topFolder,
                  const std::string& archivePath, std::string& error,
                  const std::string& updaterPath = "", const std::string& updaterName = "");
