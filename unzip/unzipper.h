#pragma once

#include "unzip/archive_file.h"
#include "unzip/folders.h"
#include "unzip/zip_entry_info.h"

#include <unzip.h>

#include <cstdint>
#include <string>

// Unpacks a zip archive into a folder tree. Entry names are used byte for byte; both "/" and
// "\" separate their components. Entries that would land outside the target folder are refused.
class CUnzipper {
  public:
    CUnzipper() = default;
    virtual ~CUnzipper();
    CUnzipper(const CUnzipper&) = delete;
    CUnzipper& operator=(const CUnzipper&) = delete;

    // Opens the archive at path, closing any open one. The target folder becomes the archive's
    // full path without its extension.
    bool OpenArchive(std::string path);
    // Closes the archive and empties the target folder; false when none was open or the
    // library reported an error.
    bool CloseArchive();
    // Makes folder the target folder and makes sure it exists; a file at that path is refused
    // and leaves the target folder as it was.
    bool SetTargetFolder(std::string folder);
    std::string TargetFolder() const { return m_strTargetFolder; }

    // Extracts every entry, stopping at the first one that fails. True only when every entry
    // was extracted and the end of the archive's directory was reached.
    bool ExtractAll();

    // The sum of the uncompressed sizes that the entries declare (at most the largest uint64_t),
    // from one pass over the archive's directory, before anything is extracted. False when no
    // archive is open or its directory cannot be read to its end. Leaves the first entry current.
    bool DeclaredSize(uint64_t& bytes);

    bool MoveToFirstEntry();
    bool MoveToNextEntry();
    bool ReadCurrentEntryInfo(ZipEntryInfo& info);
    // Extracts the current entry into the target folder, verifying its size and CRC-32.
    bool ExtractCurrentEntry();

  private:
    // The current entry, where the target folder exists and known folders need no checks.
    bool ExtractEntry(CKnownFolders& known);
    bool ExtractFolder(std::string path, const ZipEntryInfo& info);
    bool ExtractFile(std::string path, const ZipEntryInfo& info);
    bool ExtractLink(std::string path, const ZipEntryInfo& info);

    CArchiveFile m_file; // the open archive's file, read by the library and by entry copies
    unzFile m_archive = nullptr;
    std::string m_strTargetFolder;
};
