#include "app/updater_app.h"
#include "app/updater_info.h"
#include "app/updater_self_test.h"

#include <cstdio>

int CUpDateApp::SelfTest(const std::string& version) {
    // An updater that could not verify or transfer anything must not take a working one's place.
    if (m_baseUrls.empty() || (RequiresSignature() && m_publicKeys.empty()) ||
        !m_libraries.Load(m_libraryNames, RequiresSignature()))
        return 1;
    SelfTestReport report{version, "", {}};
    for (const std::string& url : m_baseUrls)
        report.servers += (report.servers.empty() ? "" : " ") + url;
    for (const PublicKey& key : m_publicKeys)
        report.keyIds.push_back(KeyIdText(key.keyId));
    const std::string text = SelfTestText(report);
    return std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
}
