#pragma once

#include "platform/file_stream.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// Flags word bits that live only inside one read or write call.
inline constexpr uint32_t kFileModeBits = 0x10 | 0x20 | 0x40;

// One open text file and the state of one whole-file read or write. Lives for one
// ReadWholeFile or WriteWholeFile call and closes its stream before that call returns.
// Counts are signed 32-bit, so files of 2 GiB or more are refused.
class CTextFile {
  public:
    FILE* m_pFile = nullptr;
    uint32_t m_nFlags = 0;   // the caller's modeFlags with ModeReadFile or ModeWriteFile
    int32_t m_nOpBytes = 0;  // bytes the next block read or write moves
    int32_t m_nFileSize = 0; // measured when opened for reading
    int32_t m_nFilePos = 0;  // bytes consumed or produced so far, the mark included
    int32_t m_nUnitSize = 0; // bytes per text unit in the file: 1, or 2 for UTF-16
    int32_t m_nUnitCount = 0;
    std::u16string m_strLog;          // report of the current operation
    std::u16string m_strEncodingName; // as found; empty while unknown

    CTextFile() = default;
    ~CTextFile();
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    // Opens for reading (ModeReadFile: settles mark and declared encoding) or writing
    // (ModeWriteFile: starts the replacement of the file and writes the mark).
    bool Open(std::u16string path);
    // Reading: the m_nOpBytes bytes after the mark into text as UTF-16.
    bool ReadContent(std::u16string& text);
    // Reading: m_nOpBytes raw bytes into buffer, zero units removed, big-endian units swapped.
    bool ReadBlock(void* buffer);
    // Writing: the first length units of text (-1: all) in the file's encoding.
    bool WriteContent(const std::u16string& text, int32_t length);
    // Writing: m_nUnitCount units from data.
    bool WriteBlock(const void* data);
    // Writing: an encoding name that declares a 16- or 32-bit encoding becomes UTF-16LE
    // with its mark, so that the file reads back.
    bool SettleWriteEncoding(const std::u16string& text);
    // Closes the stream. A write is committed (the file replaced) only when keep is true.
    // False, with file_error reported, when closing or committing failed.
    bool Close(bool keep);
    // Reports errno (or error) as file_error; always false.
    bool FileError();
    bool FileError(int error);

  private:
    bool OpenForReading(const std::u16string& path);
    bool OpenForWriting(const std::u16string& path);
    bool WriteMark(int row);
    // Reading an 8-bit file whose encoding is UTF-8 or still unknown, in pieces through small
    // buffers: the file is read twice (measure, then convert) but never copied whole, and the
    // text is written once. Empty, with the stream back after the mark, when an unknown
    // encoding turns out not to be UTF-8: the whole-block reading takes over.
    std::optional<bool> ReadUtf8Content(std::u16string& text);
    // Reads the m_nOpBytes bytes in pieces, zero bytes removed (zeros counts them), each piece
    // cut where no UTF-8 sequence goes on, and gives each to use(bytes, length). False, with
    // file_error reported, when a read fails.
    template <typename Use> bool ReadPieces(Use use, int32_t& zeros);

    CFileReplacement m_replacement;
};

// Reads a whole file into text (emptied first). result receives the report; flags, when
// the file could be opened, the encoding bit found with the mode bits cleared. True when
// the file was opened and its content read.
bool ReadWholeFile(std::u16string path, std::u16string& text, std::u16string* result,
                   uint32_t* flags);

// Writes text as a whole file in the encoding its flags bit or declaration names (else
// UTF-8), replacing the file only when everything was written. result receives the report;
// flags, when the file could be created, the word with the mode bits cleared.
bool WriteWholeFile(std::u16string path, const std::u16string& text, std::u16string* result,
                    uint32_t* flags);

// True for the code pages of 16- and 32-bit encodings, which a file holds only with a mark.
bool IsWideCodePage(int codePage);
