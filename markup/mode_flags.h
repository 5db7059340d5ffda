#pragma once

#include <cstdint>

// CXmlDoc::modeFlags bits. The encoding bits are set when a file is loaded and used when
// it is saved; the file-attached modes are never entered, but operations refuse while set.
inline constexpr uint32_t ModeUtf16LE = 0x01;
inline constexpr uint32_t ModeUtf8Bom = 0x04;
inline constexpr uint32_t ModeIgnoreCase = 0x08;
inline constexpr uint32_t ModeReadFile = 0x10;
inline constexpr uint32_t ModeWriteFile = 0x20;
inline constexpr uint32_t ModeUtf16BE = 0x80;
