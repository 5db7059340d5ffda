#include "temp_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

TempFolder::TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "platform-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()))
        m_strPath = std::string(buffer.data()) + "/";
}

TempFolder::~TempFolder() {
    std::error_code error;
    if (!m_strPath.empty())
        std::filesystem::remove_all(m_strPath, error);
}

bool WriteTestFile(const std::string& path, const std::string& bytes, unsigned mode) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
        if (!out.flush())
            return false;
    }
    return chmod(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

std::string ReadTestFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool WaitForLine(const std::string& path) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        const std::string content = ReadTestFile(path);
        if (!content.empty() && content.back() == '\n')
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
