#include "platform/shared_library.h"

#include <dlfcn.h>

CSharedLibrary::~CSharedLibrary() {
    if (m_hModule)
        dlclose(m_hModule);
}

bool CSharedLibrary::Open(std::string name) {
    if (m_hModule)
        return false;
    // Bound at once, so that a missing function shows here and not in the middle of a transfer.
    m_hModule = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    return m_hModule != nullptr;
}

void* CSharedLibrary::Address(std::string name) const {
    return m_hModule ? dlsym(m_hModule, name.c_str()) : nullptr;
}
