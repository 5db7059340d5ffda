// 8-bit files that may be UTF-8 are read in pieces of 64 KiB; whatever falls on the boundary
// between two pieces, the text and the report are those of reading the file as one block.
#include "platform/code_page.h"
#include "textfile/text_file.h"
#include "textfile/utf8_codec.h"

#include "file_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr size_t kPieceBytes = 64 * 1024;

std::u16string Converted(int codePage, const std::string& bytes) {
    const int n = MultiByteToUtf16(codePage, bytes.data(), int(bytes.size()), nullptr, 0);
    std::u16string text(size_t(n), u'\0');
    if (n > 0)
        MultiByteToUtf16(codePage, bytes.data(), int(bytes.size()), text.data(), n);
    return text;
}

// The reading of the file as one block: zeros removed, the UTF-8 check when the encoding is
// not known from the first byte, then the conversion.
void ExpectWholeBlockReading(const std::string& path, const std::string& bytes) {
    std::string kept;
    for (const char c : bytes) {
        if (c != 0)
            kept += c;
    }
    const bool known = bytes[0] == '<';
    const bool utf8 = known || IsUtf8(kept.data(), int(kept.size()));
    const std::u16string expected = Converted(utf8 ? CP_UTF8 : CP_ACP, kept);
    std::u16string report = u"<read encoding=\"" + std::u16string(utf8 ? u"UTF-8" : u"") +
                            u"\" length=\"" + Widen(std::to_string(bytes.size())) + u"\"/>";
    if (kept.size() != bytes.size())
        report += u"<nulls_removed count=\"" +
                  Widen(std::to_string(bytes.size() - kept.size())) + u"\"/>";
    if (!known)
        report += u"<utf8_detection/>";
    report += u"<converted_to encoding=\"UTF-16\" length=\"" +
              Widen(std::to_string(expected.size())) + u"\"/>";

    std::u16string text;
    std::u16string result;
    ASSERT_TRUE(ReadWholeFile(Widen(path), text, &result, nullptr));
    ASSERT_EQ(Narrow(result), Narrow(report));
    ASSERT_TRUE(text == expected) << "text differs";
}

TEST(ReadInPieces, SequencesAcrossEveryBoundaryOffset) {
    const std::string sequences[] = {
        "\xC3\xA9",         "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xE4\xB8x",     "\x80\x80\x80",
        "\xC3\x00\xA9",     "\xC0\x80",     "\xED\xA0\x80",     "\xF8",          "\xF0\x9F\x98",
        "\x00\x00\x00\x00", "\xE4\x00\xB8\xAD\x00"};
    TempFolder folder;
    const std::string path = folder.Path("pieces.xml");
    for (const char first : {'<', ' '}) {
        for (const std::string& sequence : sequences) {
            for (size_t before = kPieceBytes - 6; before <= kPieceBytes + 2; ++before) {
                std::string bytes(1, first);
                bytes += std::string(before - 1, 'a') + sequence + std::string(9, 'b');
                // A second boundary inside a run of non-ASCII characters.
                while (bytes.size() < 2 * kPieceBytes + 50)
                    bytes += "\xE4\xB8\xAD";
                WriteBytes(path, bytes);
                ExpectWholeBlockReading(path, bytes);
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

} // namespace
