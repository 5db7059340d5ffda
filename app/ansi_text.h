#pragma once

#include <string>

// Conversions between 16-bit text and the platform's default multi-byte encoding, the one
// used for file names, paths and URLs.

std::u16string AnsiToUtf16(std::string bytes);

// Characters the encoding cannot represent become "?"; lossy, when given, tells whether any
// did.
std::string Utf16ToAnsi(std::u16string text, bool* lossy = nullptr);
