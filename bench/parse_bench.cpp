// Parses generated documents of 16 Mi characters (ASCII) with the project and with pugixml in
// the same run and prints MiB/s and time ratios. The project parses the UTF-16 text, pugixml
// the same characters as UTF-8; MiB are those of the UTF-8 text for both.
//
// Each figure comes on a fresh document, as a program that opens one file has it: a new
// CXmlDoc given its text by SetText (copied from the caller's, or handed over by moving a
// copy made outside the timing, and taken back before the document ends), against a new pugixml document with load_buffer (which
// copies) and load_buffer_inplace (on a copy made outside the timing). Beside them the
// reused-document cases: Parse and SetText on a document that already held the text.
// Documents are released inside the timing on both sides.
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "markup/xml_doc.h"
#include "peer_comparison.h"

namespace {

constexpr size_t kDocumentChars = size_t(16) << 20;
constexpr int kRuns = 5;

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

// kRuns copies of text, made outside the timing for the runs that take them over.
template <typename Text> std::vector<Text> Copies(const Text& text) {
    return std::vector<Text>(kRuns, text);
}

bool Compare(const char* name, const std::string& utf8) {
    const double mib = double(utf8.size()) / double(1 << 20);
    const std::u16string utf16 = bench::Widen(utf8);

    bool sound = true;
    int32_t elements = 0;
    const double freshCopy = bench::BestOf5([&] {
        CXmlDoc doc;
        sound = doc.SetText(utf16) && sound;
        elements = doc.usedCount - 1;
    });
    std::vector<std::u16string> handed = Copies(utf16);
    int run = 0;
    const double freshMove = bench::BestOf5([&] {
        CXmlDoc doc;
        std::u16string& copy = handed[static_cast<size_t>(run++)];
        sound = doc.SetText(std::move(copy)) && sound;
        copy = std::move(doc.text); // back to the caller, as pugixml leaves its buffer
    });
    CXmlDoc reused(utf16);
    const double reusedSetText = bench::BestOf5([&] { sound = reused.SetText(utf16) && sound; });
    const double reusedParse = bench::BestOf5([&] { sound = reused.Parse() && sound; });

    bool peerOk = true;
    const double buffer = bench::BestOf5([&] {
        pugi::xml_document peer;
        peerOk = peer.load_buffer(utf8.data(), utf8.size(), pugi::parse_default,
                                  pugi::encoding_utf8) &&
                 peerOk;
    });
    std::vector<std::string> inPlaceCopies = Copies(utf8);
    run = 0;
    const double inPlace = bench::BestOf5([&] {
        pugi::xml_document peer;
        std::string& copy = inPlaceCopies[static_cast<size_t>(run++)];
        peerOk = peer.load_buffer_inplace(copy.data(), copy.size(), pugi::parse_default,
                                          pugi::encoding_utf8) &&
                 peerOk;
    });

    std::printf("%s: %.1f MiB, %d elements, sound %s\n", name, mib, elements, sound ? "yes" : "NO");
    bench::PrintTiming("fresh: project SetText (copy)", mib, freshCopy);
    bench::PrintTiming("fresh: project SetText (handed over)", mib, freshMove);
    bench::PrintTiming("fresh: pugixml load_buffer", mib, buffer);
    bench::PrintTiming("fresh: pugixml load_buffer_inplace", mib, inPlace);
    bench::PrintTiming("reused: project SetText (copy)", mib, reusedSetText);
    bench::PrintTiming("reused: project Parse", mib, reusedParse);
    std::printf("  ratios to load_buffer: SetText copy %.2f, handed over %.2f;"
                " to load_buffer_inplace: copy %.2f, handed over %.2f; Parse %.2f\n",
                freshCopy / buffer, freshMove / buffer, freshCopy / inPlace, freshMove / inPlace,
                reusedParse / buffer);
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
    bench::TakeMemoryFromTheSystem();
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
