#pragma once

#include <string>

// The updater's messages to the user, in the user's language, in the encoding ShowErrorMessage
// takes. The English text is the message id of the catalogs in po/.

// Opens the catalogs: the folder "locale" beside the updater when there is one (a publisher
// may ship it with the program), otherwise installedFolder, relative to the updater's folder.
void OpenUpdaterMessages(const std::string& updaterFolder, const std::string& installedFolder);

std::string ConfigMissingMessage();
// path: the program the updater tried to start.
std::string ProgramMissingMessage(const std::string& path);
