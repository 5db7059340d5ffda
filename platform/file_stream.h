#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// The path in the platform's multi-byte encoding (CP_ACP). False, with errno EILSEQ, when the
// path holds a zero unit or a character that encoding cannot represent, so that no other
// file is ever opened in its place.
bool NativePath(std::u16string_view path, std::string& native);

// Whether name is that of a temporary file that a CFileReplacement of the file named targetName
// makes beside it (left behind only when the process was killed).
bool IsReplacementTempName(std::string_view targetName, std::string_view name);

// Opens a file for binary reading; null with errno set on failure (EISDIR for a folder).
FILE* OpenFileForReading(std::u16string_view path);

// Replaces a file as a whole. The content goes to a temporary file in the target's folder,
// which takes the target's place only when Commit succeeds; until then the target is
// untouched. A replacement that is not committed removes its temporary file.
class CFileReplacement {
  public:
    CFileReplacement() = default;
    ~CFileReplacement() { Abandon(); }
    CFileReplacement(const CFileReplacement&) = delete;
    CFileReplacement& operator=(const CFileReplacement&) = delete;

    // Creates the temporary file and returns its stream, owned by this object. Null with
    // errno set when the target could not be written (a folder, a file without write
    // permission, a missing folder) or the temporary file could not be created.
    FILE* Begin(std::u16string_view target);
    // Flushes the content to disk, gives the file the target's permission bits (a new file
    // keeps those the process creates files with) and renames it over the target. False
    // with errno set on failure; the temporary file is then removed.
    bool Commit();
    // Closes and removes the temporary file, if any; errno is kept.
    void Abandon();

  private:
    FILE* m_pStream = nullptr;
    std::string m_strTarget;
    std::string m_strTemp;
};
