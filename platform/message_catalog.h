#pragma once

#include <string>

// Texts in the user's language from gettext catalogs: FOLDER/LANGUAGE/LC_MESSAGES/DOMAIN.mo,
// the language chosen by the environment (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) as gettext
// chooses it. Translations come in the environment locale's encoding, the one
// ShowErrorMessage takes.
void OpenMessageCatalog(std::string domain, std::string folder);

// The translation of id in the catalog opened last; id itself when there is none.
std::string TranslatedText(const char* id);
