#include "platform/temporary_folder.h"

#include "platform/remove_tree.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

CTemporaryFolder::~CTemporaryFolder() {
    if (!m_strPath.empty())
        RemoveTree(m_strPath);
}

bool CTemporaryFolder::Create(const std::string& prefix) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error || !m_strPath.empty())
        return false;
    std::string pattern = (base / (prefix + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr)
        return false;
    m_strPath = pattern + "/";
    return true;
}
