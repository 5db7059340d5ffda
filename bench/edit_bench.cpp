// Times 10,000 ReplaceElementData calls and 10,000 child insertions at random places of a
// generated document and prints the rates. Each edit moves the text behind it once and
// walks the records behind it once, so the cost grows with the tail, not with the edits.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "markup/xml_doc.h"

namespace {

constexpr int kItems = 12000;
constexpr int kEdits = 10000;

std::u16string Digits(unsigned i) {
    const std::string digits = std::to_string(i);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string GenerateDocument() {
    std::u16string text = u"<?xml version=\"1.0\"?>\r\n<catalog>\r\n";
    for (unsigned i = 0; i < kItems; ++i) {
        const std::u16string n = Digits(i);
        text += u"  <item id=\"" + n + u"\" kind='part'>\r\n";
        text += u"    <name>Item " + n + u" &amp; spare</name>\r\n";
        text += u"    <price currency=\"EUR\">" + n + u".50</price>\r\n";
        text += u"    <flags><a/><b/></flags>\r\n  </item>\r\n";
    }
    text += u"</catalog>\r\n";
    return text;
}

// The positions of every element whose start tag begins with the given text.
std::vector<int32_t> ElementsStartingWith(const CXmlDoc& doc, std::u16string_view tag) {
    std::vector<int32_t> found;
    for (int32_t p = 1; p < doc.usedCount; ++p) {
        if (doc.text.compare(static_cast<size_t>(doc.elements[p].start), tag.size(), tag) == 0)
            found.push_back(p);
    }
    return found;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int main() {
    CXmlDoc doc(GenerateDocument());
    std::printf("document: %zu code units, %d elements\n", doc.text.size(), doc.usedCount - 1);
    std::mt19937 rng(7);

    const std::vector<int32_t> prices = ElementsStartingWith(doc, u"<price");
    std::uniform_int_distribution<size_t> pickPrice(0, prices.size() - 1);
    const std::u16string values[] = {u"1.0.10", u"7", u"a<b & c", u""};
    auto start = std::chrono::steady_clock::now();
    int replaced = 0;
    for (int i = 0; i < kEdits; ++i)
        replaced += doc.ReplaceElementData(prices[pickPrice(rng)], values[i % 4]) ? 1 : 0;
    const double replaceTime = Seconds(start);

    const std::vector<int32_t> flags = ElementsStartingWith(doc, u"<flags");
    std::uniform_int_distribution<size_t> pickFlags(0, flags.size() - 1);
    start = std::chrono::steady_clock::now();
    int inserted = 0;
    for (int i = 0; i < kEdits; ++i) {
        doc.currentPos = flags[pickFlags(rng)];
        doc.parentPos = doc.elements[doc.currentPos].parent;
        doc.childPos = 0;
        doc.nodeKind = NodeElement;
        inserted += doc.InsertElement(u"c", u"x", INS_AS_CHILD | INS_NO_LINE_ENDS) ? 1 : 0;
    }
    const double insertTime = Seconds(start);

    std::printf("ReplaceElementData: %d calls in %.3f s, %.0f per second\n", replaced, replaceTime,
                replaced / replaceTime);
    std::printf("child insertions:   %d calls in %.3f s, %.0f per second\n", inserted, insertTime,
                inserted / insertTime);

    // The maintained index must still be the one the text gives.
    const int32_t used = doc.usedCount;
    const bool spans = doc.elements[0].length == static_cast<int32_t>(doc.text.size());
    const bool sound = doc.Parse() && doc.usedCount == used;
    std::printf("after the edits: %zu code units, index %s\n", doc.text.size(),
                spans && sound ? "consistent" : "INCONSISTENT");
    return replaced == kEdits && inserted == kEdits && spans && sound ? 0 : 1;
}
