#include "platform/message_catalog.h"

#include "platform/code_page.h"

#include <libintl.h>

#include <clocale>
#include <utility>

namespace {

std::string& CatalogDomain() {
    static std::string domain;
    return domain;
}

} // namespace

void OpenMessageCatalog(std::string domain, std::string folder) {
    // Only the message category follows the environment; everything else stays "C".
    std::setlocale(LC_MESSAGES, "");
    bindtextdomain(domain.c_str(), folder.c_str());
    // The encoding file names and messages are in (CP_ACP), so the text needs no conversion.
    if (const char* charset = CodePageCharset(CP_ACP))
        bind_textdomain_codeset(domain.c_str(), charset);
    CatalogDomain() = std::move(domain);
}

std::string TranslatedText(const char* id) {
    if (CatalogDomain().empty())
        return id;
    return dgettext(CatalogDomain().c_str(), id);
}
