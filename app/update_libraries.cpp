#include "app/update_libraries.h"

bool CUpdateLibraries::Load(const UpdateLibraryNames& names, bool withSodium) {
    const bool curlFound = m_curlLibrary.Open(names.curl) &&
                           m_curlLibrary.Find("curl_easy_init", curl.easy_init) &&
                           m_curlLibrary.Find("curl_easy_setopt", curl.easy_setopt) &&
                           m_curlLibrary.Find("curl_easy_perform", curl.easy_perform) &&
                           m_curlLibrary.Find("curl_easy_cleanup", curl.easy_cleanup) &&
                           m_curlLibrary.Find("curl_slist_append", curl.slist_append) &&
                           m_curlLibrary.Find("curl_slist_free_all", curl.slist_free_all);
    if (!curlFound || !withSodium)
        return curlFound;
    return m_sodiumLibrary.Open(names.sodium) && m_sodiumLibrary.Find("sodium_init", sodium.init) &&
           m_sodiumLibrary.Find("crypto_generichash", sodium.generichash) &&
           m_sodiumLibrary.Find("crypto_sign_verify_detached", sodium.sign_verify_detached);
}
