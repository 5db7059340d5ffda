#include "platform/code_page.h"

#include "platform/utf8_convert.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <string>
#include <type_traits>

namespace {

struct CodePageCharsetEntry {
    int codePage;
    const char* charset;
};

// The code pages of the encoding-name table that glibc's iconv offers. The others (720, 853,
// the Macintosh pages other than Roman, Cyrillic, Ukrainian, Central European and Icelandic,
// 20000-20005, 20105, 29001, 52936, the ISCII pages and the UTF-16/UTF-32 pages 1200, 1201,
// 12000 and 12001) are refused.
constexpr CodePageCharsetEntry kCharsets[] = {
    {154, "PT154"},
    {437, "CP437"},
    {708, "ASMO-708"},
    {737, "CP737"},
    {775, "CP775"},
    {850, "CP850"},
    {852, "CP852"},
    {855, "CP855"},
    {857, "CP857"},
    {858, "CP858"},
    {860, "CP860"},
    {861, "CP861"},
    {862, "CP862"},
    {863, "CP863"},
    {864, "CP864"},
    {865, "CP865"},
    {866, "CP866"},
    {869, "CP869"},
    {874, "CP874"},
    {932, "CP932"},
    {936, "CP936"},
    {949, "CP949"},
    {950, "CP950"},
    {1125, "CP1125"},
    {1133, "CP1133"},
    {1250, "CP1250"},
    {1251, "CP1251"},
    {1252, "CP1252"},
    {1253, "CP1253"},
    {1254, "CP1254"},
    {1255, "CP1255"},
    {1256, "CP1256"},
    {1257, "CP1257"},
    {1258, "CP1258"},
    {1361, "JOHAB"},
    {10000, "MACINTOSH"},
    {10007, "MAC-CYRILLIC"},
    {10017, "MAC-UK"},
    {10029, "MAC-CENTRALEUROPE"},
    {10079, "MAC-IS"},
    {20106, "ISO646-DE"},
    {20107, "ISO646-SE"},
    {20108, "ISO646-NO"},
    {20127, "ANSI_X3.4-1968"},
    {20261, "T.61-8BIT"},
    {20269, "ISO_6937"},
    {20866, "KOI8-R"},
    {20932, "EUC-JP"},
    {20936, "GB2312"},
    {20949, "EUC-KR"},
    {21866, "KOI8-U"},
    {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"},
    {38598, "ISO-8859-8"},
    {50220, "ISO-2022-JP"},
    {50221, "ISO-2022-JP-3"},
    {50222, "ISO-2022-JP-3"},
    {50225, "ISO-2022-KR"},
    {50227, "ISO-2022-CN"},
    {51932, "EUC-JP-MS"},
    {51936, "EUC-CN"},
    {51949, "EUC-KR"},
    {54936, "GB18030"},
    {65000, "UTF-7"},
    {65001, "UTF-8"},
};

constexpr const char* kUtf8 = "UTF-8";
constexpr const char* kUtf16Host =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

// The codeset of the process locale, read once; the C/POSIX locale counts as UTF-8.
const std::string& LocaleCharset() {
    static const std::string charset = [] {
        std::string name = EnvironmentLocaleCodeset();
        if (name.empty() || name == "ANSI_X3.4-1968")
            name = kUtf8;
        return name;
    }();
    return charset;
}

bool IsUtf8Charset(const char* charset) {
    return std::strcmp(charset, kUtf8) == 0;
}

class Iconv {
  public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (IsOpen())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool IsOpen() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    size_t Run(const char** in, size_t* inLeft, char** out, size_t* outLeft) {
        return iconv(m_cd, const_cast<char**>(in), inLeft, out, outLeft);
    }

  private:
    iconv_t m_cd;
};

// Destination bytes of a conversion. iconv always writes into a scratch block, which is
// counted and then emptied (into the caller's buffer when there is one), so measuring and
// filling give iconv the same room: some converters fail for lack of room where they would
// have substituted a character.
class ByteSink {
  public:
    ByteSink(char* dest, size_t capacity) : m_dest(dest), m_capacity(capacity) {}

    char** Out() { return &m_out; }
    size_t* Left() { return &m_left; }

    // Empties the scratch block; false when the caller's buffer cannot take its bytes.
    bool Drain() {
        const auto n = static_cast<size_t>(m_out - m_scratch.data());
        if (m_dest) {
            if (n > m_capacity - m_counted)
                return false;
            std::memcpy(m_dest + m_counted, m_scratch.data(), n);
        }
        m_counted += n;
        m_out = m_scratch.data();
        m_left = m_scratch.size();
        return true;
    }
    bool Put(const void* bytes, size_t n) {
        if (m_left < n && !Drain())
            return false;
        std::memcpy(m_out, bytes, n);
        m_out += n;
        m_left -= n;
        return true;
    }
    size_t Total() const { return m_counted + static_cast<size_t>(m_out - m_scratch.data()); }

  private:
    std::array<char, 4096> m_scratch{};
    char* m_dest;
    size_t m_capacity;
    char* m_out = m_scratch.data();
    size_t m_left = m_scratch.size();
    size_t m_counted = 0;
};

// Runs iconv over the whole input into sink; onInvalid handles the input at *in that iconv
// could not convert (EILSEQ, or EINVAL at the end) and returns false to give up.
template <typename OnInvalid>
bool Pump(Iconv& cd, const char* in, size_t inLeft, ByteSink& sink, OnInvalid onInvalid) {
    while (inLeft > 0) {
        if (cd.Run(&in, &inLeft, sink.Out(), sink.Left()) != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            if (!sink.Drain())
                return false;
        } else if (errno == EILSEQ || errno == EINVAL) {
            if (!onInvalid(in, inLeft))
                return false;
        } else {
            return false;
        }
    }
    // Return a stateful encoding to its initial state.
    while (cd.Run(nullptr, nullptr, sink.Out(), sink.Left()) == static_cast<size_t>(-1)) {
        if (errno != E2BIG || !sink.Drain())
            return false;
    }
    return sink.Drain(); // the last bytes into the caller's buffer
}

size_t IconvToUtf16(const char* charset, const char* src, size_t length, char16_t* dest,
                    size_t capacity) {
    Iconv cd(kUtf16Host, charset);
    if (!cd.IsOpen())
        return 0;
    ByteSink sink(reinterpret_cast<char*>(dest), capacity * sizeof(char16_t));
    const char16_t replacement = 0xFFFD;
    const bool ok = Pump(cd, src, length, sink, [&](const char*& in, size_t& inLeft) {
        const bool truncated = errno == EINVAL;
        ++in;
        --inLeft;
        if (truncated)
            inLeft = 0; // the rest is one cut-off character
        return sink.Put(&replacement, sizeof replacement);
    });
    return ok ? sink.Total() / sizeof(char16_t) : 0;
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

size_t IconvFromUtf16(const char* charset, const char16_t* src, size_t length, char* dest,
                      size_t capacity, bool* usedDefaultChar) {
    Iconv cd(charset, kUtf16Host);
    if (!cd.IsOpen())
        return 0;
    ByteSink sink(dest, capacity);
    const bool ok =
        Pump(cd, reinterpret_cast<const char*>(src), length * sizeof(char16_t), sink,
             [&](const char*& in, size_t& inLeft) {
                 char16_t unit[2];
                 std::memcpy(unit, in, std::min(inLeft, sizeof unit));
                 size_t skip = sizeof(char16_t);
                 if (inLeft >= sizeof unit && IsHighSurrogate(unit[0]) && IsLowSurrogate(unit[1]))
                     skip = sizeof unit;
                 in += skip;
                 inLeft -= std::min(skip, inLeft);
                 if (usedDefaultChar)
                     *usedDefaultChar = true;
                 // "?" goes through the converter so that a stateful encoding shifts back first.
                 const char16_t question = u'?';
                 const char* q = reinterpret_cast<const char*>(&question);
                 size_t qLeft = sizeof question;
                 while (cd.Run(&q, &qLeft, sink.Out(), sink.Left()) == static_cast<size_t>(-1)) {
                     if (errno != E2BIG || !sink.Drain())
                         return false;
                 }
                 return true;
             });
    return ok ? sink.Total() : 0;
}

// Whether every unit is one that all ASCII-based encodings map alike: the invariant part of
// ISO 646 less "+", which UTF-7 gives a meaning of its own. ("\\" and "~" are not among them:
// Shift_JIS maps them to the yen sign and the overline.) Such text converts without looking up
// the process locale, which keeps that lookup off the path of a program's start.
template <typename Unit> bool IsInvariantText(const Unit* text, size_t length) {
    return std::all_of(text, text + length, [](Unit unit) {
        const auto c = static_cast<unsigned>(static_cast<std::make_unsigned_t<Unit>>(unit));
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               (c != 0 && std::strchr(" !\"%&'()*,-./:;<=>?_", static_cast<int>(c)) != nullptr);
    });
}

// Copies invariant text unit by unit: the count needed when to is null, 0 when it does not fit.
template <typename From, typename To>
size_t CopyInvariantText(const From* from, size_t length, To* to, size_t capacity) {
    if (!to)
        return length;
    if (capacity < length)
        return 0;
    std::transform(from, from + length, to, [](From unit) { return static_cast<To>(unit); });
    return length;
}

int ToCount(size_t n) {
    return n <= static_cast<size_t>(INT_MAX) ? static_cast<int>(n) : 0;
}

} // namespace

const char* CodePageCharset(int codePage) {
    if (codePage == CP_ACP)
        return LocaleCharset().c_str();
    const auto* entry = std::find_if(std::begin(kCharsets), std::end(kCharsets),
                                     [&](const auto& e) { return e.codePage == codePage; });
    return entry != std::end(kCharsets) ? entry->charset : nullptr;
}

int MultiByteToUtf16(int codePage, const char* src, int length, char16_t* dest, int capacity) {
    if (!src || length <= 0 || capacity < 0 || (capacity > 0 && !dest))
        return 0;
    char16_t* target = capacity > 0 ? dest : nullptr;
    const auto n = static_cast<size_t>(length);
    const auto cap = static_cast<size_t>(capacity);
    if (codePage == CP_ACP && IsInvariantText(src, n))
        return ToCount(CopyInvariantText(src, n, target, cap));
    const char* charset = CodePageCharset(codePage);
    if (!charset)
        return 0;
    if (IsUtf8Charset(charset))
        return ToCount(Utf8ToUtf16(src, n, target, cap));
    return ToCount(IconvToUtf16(charset, src, n, target, cap));
}

int Utf16ToMultiByte(int codePage, const char16_t* src, int length, char* dest, int capacity,
                     bool* usedDefaultChar) {
    if (!src || length <= 0 || capacity < 0 || (capacity > 0 && !dest))
        return 0;
    char* target = capacity > 0 ? dest : nullptr;
    const auto n = static_cast<size_t>(length);
    const auto cap = static_cast<size_t>(capacity);
    if (codePage == CP_ACP && IsInvariantText(src, n))
        return ToCount(CopyInvariantText(src, n, target, cap));
    const char* charset = CodePageCharset(codePage);
    if (!charset)
        return 0;
    if (IsUtf8Charset(charset))
        return ToCount(Utf16ToUtf8(src, n, target, cap));
    return ToCount(IconvFromUtf16(charset, src, n, target, cap, usedDefaultChar));
}

std::string EnvironmentLocaleCodeset() {
    std::string name;
    if (locale_t locale = newlocale(LC_CTYPE_MASK, "", locale_t{})) {
        if (const char* codeset = nl_langinfo_l(CODESET, locale))
            name = codeset;
        freelocale(locale);
    }
    return name;
}
