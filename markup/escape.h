#pragma once

#include <string>
#include <string_view>

// Flag bits shared by escaping and element insertion.
inline constexpr unsigned ESCF_KEEPREFS = 0x08; // leave references already in the text unchanged
inline constexpr unsigned ESCF_QUOTES = 0x100;  // escape apostrophe and quotation mark too

// Replaces the markup characters of text (up to its first zero unit) by entity references:
// "<&>" always, "'" and '"' as well with ESCF_QUOTES.
std::u16string EscapeMarkup(std::u16string_view text, unsigned flags);

// Decodes entity and numeric character references in the first length units of text;
// a length of -1 means up to the first zero unit.
std::u16string UnescapeMarkup(const char16_t* text, int length);
