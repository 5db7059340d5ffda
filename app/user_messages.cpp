#include "app/user_messages.h"

#include "platform/file_system.h"
#include "platform/message_catalog.h"

namespace {

constexpr const char* kDomain = "updater";

} // namespace

void OpenUpdaterMessages(const std::string& updaterFolder, const std::string& installedFolder) {
    if (updaterFolder.empty())
        return;
    const std::string beside = updaterFolder + "locale";
    OpenMessageCatalog(kDomain, GetPathKind(beside) == PathKind::Folder
                                    ? beside
                                    : updaterFolder + installedFolder);
}

std::string ConfigMissingMessage() {
    return TranslatedText("The configuration file is missing or damaged. "
                          "Please reinstall this program.");
}

std::string ProgramMissingMessage(const std::string& path) {
    std::string text = TranslatedText("The program %s is missing or cannot be started. "
                                      "Please reinstall this program.");
    const size_t slot = text.find("%s");
    if (slot != std::string::npos)
        text.replace(slot, 2, path);
    return text;
}
