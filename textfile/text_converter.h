#pragma once

#include <string>

// One conversion of a buffer from one named encoding to another. Sources count 32-bit units
// for names beginning "UTF-32", 16-bit units for UTF-16 (code page 1200) and bytes otherwise;
// a name that is not known stands for the ANSI code page.
//
// Measure, then fill:
//     CTextConverter converter(u"UTF-8", bytes, byteCount);
//     int n = converter.Convert(nullptr, u"UTF-16");
//     ... allocate n units ...
//     converter.Convert(buffer, nullptr);
class CTextConverter {
  public:
    CTextConverter(std::u16string fromEncoding, const void* source, int sourceLength);

    // Converts the source into dest, which holds m_nDestLength units; with a null dest (or
    // m_nDestLength 0) only counts. A null toEncoding keeps the name of the previous call.
    // Returns the units produced or needed (also left in m_nDestLength); 0 when the
    // conversion is not offered or the destination is too small.
    int Convert(void* dest, const char16_t* toEncoding);

    std::u16string m_strToEncoding;
    std::u16string m_strFromEncoding;
    const void* m_pSource;
    int m_nSourceLength;
    int m_nDestLength = 0;
    bool m_bLossy = false; // the destination code page's default character was written

  private:
    int FromUtf32(int to, void* dest, int capacity) const;
    int FromUtf16(int to, void* dest, int capacity);
    int FromBytes(int from, int to, void* dest, int capacity);
    bool* LossFlagFor(int to);
};

// True for the code pages whose conversion refuses to report default-character
// substitutions, so that it is never asked to.
bool RejectsDefaultCharFlag(int codePage);
