#pragma once

#include <string>
#include <string_view>

// A fresh folder under /tmp, removed with its content at the end of the test.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Path(std::string_view name) const { return m_path + "/" + std::string(name); }
    std::u16string Path16(std::string_view name) const;

  private:
    std::string m_path;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);
// The names in a folder, sorted, separated by "/".
std::string FolderListing(const std::string& path);

// The host-order bytes of a 16-bit text, as a UTF-16LE file holds them.
std::string Utf16LEBytes(std::u16string_view text);
// The text converted by the iconv command from UTF-16LE to the named encoding.
std::string IconvFromUtf16(std::u16string_view text, const std::string& encoding);

// An ASCII text widened to 16 bits.
std::u16string Widen(std::string_view ascii);
// A 16-bit text narrowed to UTF-8, for failure messages.
std::string Narrow(std::u16string_view text);
