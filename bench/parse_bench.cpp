// Parses generated documents of 32 Mi characters (ASCII) with the project and with pugixml in
// the same run and prints MiB/s and time ratios. The project parses the UTF-16 text, pugixml
// the same characters as UTF-8; MiB are those of the UTF-8 text for both.
#include <cstdio>
#include <cstring>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "markup/xml_doc.h"
#include "peer_comparison.h"

namespace {

constexpr size_t kDocumentChars = size_t(32) << 20;

// Repeats record(i) inside <root> ... </root> until the text holds kDocumentChars.
template <typename Record> std::string Generate(const char* root, Record record) {
    std::string text =
        std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<") + root + ">\r\n";
    text.reserve(kDocumentChars + 8192);
    for (unsigned i = 0; text.size() < kDocumentChars; ++i)
        text += record(i);
    text += std::string("</") + root + ">\r\n";
    return text;
}

// Nested records with attributes, text, references, comments and CDATA, CR LF and indentation.
std::string ConfigurationLike() {
    return Generate("catalog", [](unsigned i) {
        const std::string n = std::to_string(i);
        std::string r = "  <item id=\"" + n + "\" kind='part' enabled=\"true\">\r\n";
        r += "    <name>Item " + n + " &amp; spare</name>\r\n";
        r += "    <price currency=\"EUR\">" + n + ".50</price>\r\n";
        if (i % 4 == 0)
            r += "    <!-- reviewed -->\r\n    <note><![CDATA[a < b]]></note>\r\n";
        r += "    <flags><a/><b/></flags>\r\n  </item>\r\n";
        return r;
    });
}

std::string AttributeHeavy() {
    return Generate("table", [](unsigned i) {
        const std::string n = std::to_string(i);
        return "  <row id=\"" + n + "\" name=\"entry " + n +
               "\" group='g7' weight=\"1.25\" enabled='true' currency=\"EUR\" "
               "created=\"2026-12-07T22:15:00\" owner=\"someone\" note=\"a &lt; b\"/>\r\n";
    });
}

std::string TextHeavy() {
    return Generate("book", [](unsigned i) {
        return "  <p n=\"" + std::to_string(i) +
               "\">The quick brown fox jumps over the lazy dog; it was neither quick nor "
               "brown, and the dog was not lazy at all, only tired &amp; old. Of all the "
               "foxes in the wood this one wrote the longest paragraphs, and every one of "
               "them ended with a line like this one, plain text and nothing else.</p>\r\n";
    });
}

std::string DeepNesting() {
    return Generate("tree", [](unsigned) {
        std::string r;
        for (int d = 0; d < 200; ++d)
            r += "<n" + std::to_string(d % 10) + ">";
        r += "leaf";
        for (int d = 199; d >= 0; --d)
            r += "</n" + std::to_string(d % 10) + ">";
        return r + "\r\n";
    });
}

bool Compare(const char* name, const std::string& utf8) {
    const double mib = double(utf8.size()) / double(1 << 20);
    CXmlDoc doc;
    doc.text = bench::Widen(utf8);
    bool sound = false;
    const double ours = bench::BestOf5([&] { sound = doc.Parse(); });

    pugi::xml_document peer;
    bool peerOk = false;
    const double buffer = bench::BestOf5([&] {
        peerOk =
            peer.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8);
    });
    // In place: each run parses a fresh copy, made outside the timing.
    std::vector<std::unique_ptr<char[]>> copies;
    for (int i = 0; i < 5; ++i) {
        copies.push_back(std::make_unique_for_overwrite<char[]>(utf8.size()));
        std::memcpy(copies.back().get(), utf8.data(), utf8.size());
    }
    int run = 0;
    const double inPlace = bench::BestOf5([&] {
        peerOk = peer.load_buffer_inplace(copies[static_cast<size_t>(run++)].get(), utf8.size(),
                                          pugi::parse_default, pugi::encoding_utf8) &&
                 peerOk;
    });

    std::printf("%s: %.1f MiB, %d elements, sound %s\n", name, mib, doc.usedCount - 1,
                sound ? "yes" : "NO");
    bench::PrintTiming("project Parse (UTF-16 text)", mib, ours);
    bench::PrintTiming("pugixml load_buffer (UTF-8)", mib, buffer, ours);
    bench::PrintTiming("pugixml load_buffer_inplace (UTF-8)", mib, inPlace, ours);
    return sound && peerOk;
}

// 80,000 open elements followed by 80,000 end tags that match none of them, against the
// well-formed text of the same size: the search for the element an end tag closes must not
// grow with the depth.
void CompareUnmatchedEndTags() {
    constexpr int kDepth = 80000;
    std::u16string unmatched;
    std::u16string matched;
    for (int i = 0; i < kDepth; ++i) {
        unmatched += u"<a>";
        matched += u"<a>";
    }
    for (int i = 0; i < kDepth; ++i) {
        unmatched += u"</b>";
        matched += u"</a>";
    }
    CXmlDoc doc;
    doc.text = unmatched;
    bool loneSound = true;
    const double lone = bench::BestOf5([&] { loneSound = doc.Parse(); });
    doc.text = matched;
    bool closedSound = false;
    const double closed = bench::BestOf5([&] { closedSound = doc.Parse(); });
    const double mib = double(matched.size()) / double(1 << 20);
    std::printf("80,000 start tags, then 80,000 end tags: %zu characters, results %s\n",
                matched.size(), !loneSound && closedSound ? "right" : "WRONG");
    bench::PrintTiming("project Parse, every end tag unmatched", mib, lone);
    bench::PrintTiming("project Parse, every end tag matched", mib, closed);
}

} // namespace

// With arguments, only the documents named (configuration, attributes, text, nesting,
// unmatched).
int main(int argc, char** argv) {
    struct Document {
        const char* key;
        const char* name;
        std::string (*generate)();
    };
    const Document documents[] = {{"configuration", "configuration-like", ConfigurationLike},
                                  {"attributes", "attribute-heavy", AttributeHeavy},
                                  {"text", "text-heavy", TextHeavy},
                                  {"nesting", "deep nesting", DeepNesting}};
    bool ok = true;
    for (const Document& d : documents) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i)
            wanted = wanted || std::strcmp(argv[i], d.key) == 0;
        if (wanted)
            ok = Compare(d.name, d.generate()) && ok;
    }
    bool unmatched = argc < 2;
    for (int i = 1; i < argc; ++i)
        unmatched = unmatched || std::strcmp(argv[i], "unmatched") == 0;
    if (unmatched)
        CompareUnmatchedEndTags();
    return ok ? 0 : 1;
}
