#pragma once

#include <cstddef>
#include <cstdint>

// The system's own permissive UTF-8 decoder: reads one sequence at cursor (before end) and
// advances past it. Returns the code point, or -1 for a lead byte of 0xF8 or more, a
// sequence cut off by end, or a continuation byte below 0x80 (which is not consumed).
// Overlong forms, surrogates and values above U+10FFFF are accepted.
int32_t DecodeUtf8(const char*& cursor, const char* end);

// Appends the UTF-8 bytes of codePoint at dest[position] and advances position; with a null
// dest only advances position. Surrogates are encoded like other three-byte values.
void EncodeUtf8(uint32_t codePoint, char* dest, int& position);

// True when the bytes form UTF-8 by DecodeUtf8; a zero byte ends the check.
bool IsUtf8(const char* bytes, int length);

// IsUtf8 over bytes that come in pieces: the result is that of IsUtf8 over the pieces joined.
class Utf8Check {
  public:
    void Feed(const char* bytes, size_t length);
    bool Valid() const { return !m_failed && (m_ended || m_pending == 0); }

  private:
    int m_pending = 0; // continuation bytes the current sequence still needs
    bool m_failed = false;
    bool m_ended = false; // a zero byte ended the check
};
