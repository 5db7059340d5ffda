// Parses a generated 64 MiB document and prints the throughput and the index size.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "markup/xml_doc.h"

namespace {

constexpr size_t kDocumentUnits = size_t(64) << 20;

// A configuration-like document: nested records with attributes, text, references,
// comments and CDATA, CR LF line ends and indentation.
std::u16string GenerateDocument() {
    std::u16string text = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<catalog>\r\n";
    text.reserve(kDocumentUnits + 4096);
    for (unsigned i = 0; text.size() < kDocumentUnits; ++i) {
        const std::u16string n = [i] {
            const std::string digits = std::to_string(i);
            return std::u16string(digits.begin(), digits.end());
        }();
        text += u"  <item id=\"" + n + u"\" kind='part' enabled=\"true\">\r\n";
        text += u"    <name>Item " + n + u" &amp; spare</name>\r\n";
        text += u"    <price currency=\"EUR\">" + n + u".50</price>\r\n";
        if (i % 4 == 0)
            text += u"    <!-- reviewed -->\r\n    <note><![CDATA[a < b]]></note>\r\n";
        text += u"    <flags><a/><b/></flags>\r\n  </item>\r\n";
    }
    text += u"</catalog>\r\n";
    return text;
}

} // namespace

int main() {
    CXmlDoc doc;
    doc.text = GenerateDocument();
    const double mib = double(doc.text.size()) / double(1 << 20);

    double best = 1e30;
    bool sound = false;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        sound = doc.Parse();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }

    const int32_t elements = doc.usedCount - 1;
    const double indexBytes = double(doc.elements.capacity) * sizeof(XmlElementRec);
    std::printf("document: %.1f Mi code units (%.1f MiB as ASCII, %.1f MiB as UTF-16), "
                "%d elements, sound %s\n",
                mib, mib, 2 * mib, elements, sound ? "yes" : "no");
    std::printf("parse: %.3f s best of 3, %.1f MiB/s (ASCII size), %.1f MiB/s (UTF-16 size)\n",
                best, mib / best, 2 * mib / best);
    std::printf("index: %.1f bytes per element (%zu per record, table of %d records)\n",
                indexBytes / elements, sizeof(XmlElementRec), doc.elements.capacity);
    return sound ? 0 : 1;
}
