#include "tools/package_writer.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uLong kMadeByUnix = 3u << 8 | 20u; // host system 3 (Unix), format version 2.0

struct ZipCloser {
    void operator()(zipFile file) const { zipClose(file, nullptr); }
};
using ZipHandle = std::unique_ptr<void, ZipCloser>;

zip_fileinfo EntryInfo(const struct stat& status) {
    zip_fileinfo info{};
    struct tm local {};
    localtime_r(&status.st_mtime, &local);
    info.tmz_date.tm_sec = static_cast<uInt>(local.tm_sec);
    info.tmz_date.tm_min = static_cast<uInt>(local.tm_min);
    info.tmz_date.tm_hour = static_cast<uInt>(local.tm_hour);
    info.tmz_date.tm_mday = static_cast<uInt>(local.tm_mday);
    info.tmz_date.tm_mon = static_cast<uInt>(local.tm_mon);
    info.tmz_date.tm_year = static_cast<uInt>(local.tm_year + 1900);
    info.external_fa = static_cast<uLong>(status.st_mode & 0xFFFF) << 16;
    if (S_ISDIR(status.st_mode))
        info.external_fa |= 0x10; // MS-DOS folder attribute
    return info;
}

bool OpenEntry(zipFile zip, const std::string& name, const struct stat& status, bool stored) {
    const zip_fileinfo info = EntryInfo(status);
    return zipOpenNewFileInZip4(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                stored ? 0 : Z_DEFLATED, stored ? 0 : Z_DEFAULT_COMPRESSION, 0,
                                -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                kMadeByUnix, 0) == ZIP_OK;
}

bool AddBytes(zipFile zip, const std::string& name, const struct stat& status,
              const std::string& bytes, bool stored) {
    if (!OpenEntry(zip, name, status, stored))
        return false;
    const bool written =
        bytes.empty() ||
        zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size())) == ZIP_OK;
    return zipCloseFileInZip(zip) == ZIP_OK && written;
}

bool AddFile(zipFile zip, const std::string& name, const fs::path& path,
             const struct stat& status) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file || !OpenEntry(zip, name, status, false))
        return false;
    std::array<char, 65536> buffer{};
    bool written = true;
    for (size_t count; written && (count = std::fread(buffer.data(), 1, buffer.size(),
                                                      file.get())) > 0;)
        written = zipWriteInFileInZip(zip, buffer.data(), static_cast<unsigned>(count)) ==
                  ZIP_OK;
    written = written && !std::ferror(file.get());
    return zipCloseFileInZip(zip) == ZIP_OK && written;
}

bool AddEntry(zipFile zip, const fs::path& path, const std::string& name, std::string& error) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) {
        error = path.string() + ": " + std::strerror(errno);
        return false;
    }
    bool added = false;
    if (S_ISDIR(status.st_mode)) {
        added = AddBytes(zip, name + "/", status, {}, true);
    } else if (S_ISLNK(status.st_mode)) {
        std::error_code code;
        const fs::path target = fs::read_symlink(path, code);
        added = !code && AddBytes(zip, name, status, target.string(), true);
    } else if (S_ISREG(status.st_mode)) {
        added = AddFile(zip, name, path, status);
    } else {
        error = path.string() + ": not a file, folder or link";
        return false;
    }
    if (!added)
        error = path.string() + ": could not be added to the package";
    return added;
}

bool AddTree(zipFile zip, const fs::path& source, const std::string& topFolder,
             std::string& error) {
    if (!AddEntry(zip, source, topFolder, error))
        return false;
    std::error_code code;
    std::vector<fs::path> paths;
    for (fs::recursive_directory_iterator it(source, code), end; !code && it != end;
         it.increment(code))
        paths.push_back(it->path());
    if (code) {
        error = source.string() + ": " + code.message();
        return false;
    }
    std::sort(paths.begin(), paths.end());
    for (const fs::path& path : paths) {
        const std::string name = topFolder + "/" + path.lexically_relative(source).string();
        if (!AddEntry(zip, path, name, error))
            return false;
    }
    return true;
}

bool AddUpdater(zipFile zip, const std::string& path, const std::string& name,
                std::string& error) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        error = path + ": not a regular file";
        return false;
    }
    if (!AddFile(zip, name, path, status)) {
        error = path + ": could not be added to the package";
        return false;
    }
    return true;
}

} // namespace

bool WritePackage(const std::string& sourceFolder, const std::string& topFolder,
                  const std::string& archivePath, std::string& error,
                  const std::string& updaterPath, const std::string& updaterName) {
    if (!fs::is_directory(sourceFolder)) {
        error = sourceFolder + ": not a folder";
        return false;
    }
    const std::string temporary = archivePath + ".part";
    bool complete = false;
    {
        ZipHandle zip(zipOpen64(temporary.c_str(), APPEND_STATUS_CREATE));
        if (!zip) {
            error = temporary + ": " + std::strerror(errno);
            return false;
        }
        complete = AddTree(zip.get(), sourceFolder, topFolder, error) &&
                   (updaterPath.empty() || AddUpdater(zip.get(), updaterPath, updaterName, error));
        complete = zipClose(zip.release(), nullptr) == ZIP_OK && complete;
        if (!complete && error.empty())
            error = temporary + ": could not be written";
    }
    if (complete && std::rename(temporary.c_str(), archivePath.c_str()) != 0) {
        error = archivePath + ": " + std::strerror(errno);
        complete = false;
    }
    if (!complete)
        std::remove(temporary.c_str());
    return complete;
}
