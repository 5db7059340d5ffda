#include "platform/file_stream.h"

#include "platform/code_page.h"
#include "platform/file_system.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kTempNameAttempts = 100;
constexpr std::string_view kTempInfix = ".tmp";

// The folder part of a path, "." when it has none.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A symbolic link is replaced by way of the file it points to, so that the link survives.
std::string ResolveLink(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// Creates a new file beside target, open for writing; -1 with errno on failure.
int CreateTempBeside(const std::string& target, std::string& tempPath) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        tempPath = target + std::string(kTempInfix) + std::to_string(getpid()) + "-" +
                   std::to_string(++counter);
        const int fd = open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool IsDecimal(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool HasZeroOrLoneSurrogate(std::u16string_view path) {
    for (size_t i = 0; i < path.size(); ++i) {
        const char16_t c = path[i];
        if (c == 0)
            return true;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < path.size() && path[i + 1] >= 0xDC00 &&
            path[i + 1] <= 0xDFFF)
            ++i;
        else if (c >= 0xD800 && c <= 0xDFFF)
            return true;
    }
    return false;
}

} // namespace

bool IsReplacementTempName(std::string_view targetName, std::string_view name) {
    if (!name.starts_with(targetName) || !name.substr(targetName.size()).starts_with(kTempInfix))
        return false;
    const std::string_view numbers = name.substr(targetName.size() + kTempInfix.size());
    const size_t dash = numbers.find('-');
    return dash != std::string_view::npos && IsDecimal(numbers.substr(0, dash)) &&
           IsDecimal(numbers.substr(dash + 1));
}

bool NativePath(std::u16string_view path, std::string& native) {
    native.clear();
    if (path.empty())
        return true;
    const auto length = static_cast<int>(path.size());
    bool lossy = false;
    const int size = Utf16ToMultiByte(CP_ACP, path.data(), length, nullptr, 0, &lossy);
    native.resize(static_cast<size_t>(size));
    const int written = Utf16ToMultiByte(CP_ACP, path.data(), length, native.data(), size, &lossy);
    if (size == 0 || written != size || lossy || HasZeroOrLoneSurrogate(path)) {
        native.clear();
        errno = EILSEQ;
        return false;
    }
    return true;
}

FILE* OpenFileForReading(std::u16string_view path) {
    std::string native;
    if (!NativePath(path, native))
        return nullptr;
    FILE* stream = std::fopen(native.c_str(), "rb");
    struct stat info {};
    if (stream && fstat(fileno(stream), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(stream);
        errno = EISDIR;
        return nullptr;
    }
    return stream;
}

FILE* CFileReplacement::Begin(std::u16string_view target) {
    Abandon();
    std::string native;
    if (!NativePath(target, native))
        return nullptr;
    if (native.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    native = ResolveLink(native);
    struct stat info {};
    if (stat(native.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            errno = EISDIR;
            return nullptr;
        }
        if (access(native.c_str(), W_OK) != 0)
            return nullptr;
    }
    const int fd = CreateTempBeside(native, m_strTemp);
    if (fd < 0)
        return nullptr;
    m_pStream = fdopen(fd, "wb");
    if (!m_pStream) {
        const int error = errno;
        close(fd);
        unlink(m_strTemp.c_str());
        m_strTemp.clear();
        errno = error;
        return nullptr;
    }
    m_strTarget = std::move(native);
    return m_pStream;
}

bool CFileReplacement::Commit() {
    if (!m_pStream) {
        errno = EBADF;
        return false;
    }
    const int fd = fileno(m_pStream);
    if (std::fflush(m_pStream) != 0 || fsync(fd) != 0) {
        Abandon();
        return false;
    }
    struct stat info {};
    if (stat(m_strTarget.c_str(), &info) == 0 && fchmod(fd, info.st_mode & 07777) != 0) {
        Abandon();
        return false;
    }
    FILE* stream = m_pStream;
    m_pStream = nullptr;
    if (std::fclose(stream) != 0 || std::rename(m_strTemp.c_str(), m_strTarget.c_str()) != 0) {
        Abandon();
        return false;
    }
    m_strTemp.clear();
    FlushFolder(FolderOf(m_strTarget));
    return true;
}

void CFileReplacement::Abandon() {
    const int error = errno;
    if (m_pStream) {
        std::fclose(m_pStream);
        m_pStream = nullptr;
    }
    if (!m_strTemp.empty()) {
        unlink(m_strTemp.c_str());
        m_strTemp.clear();
    }
    errno = error;
}
