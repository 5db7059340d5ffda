// Looks up children by name on a wide generated document and reads their text; prints the
// cost per child compared and per text read.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "markup/xml_doc.h"

namespace {

constexpr int kChildren = 1 << 20;

std::u16string Number(int i) {
    const std::string digits = std::to_string(i);
    return std::u16string(digits.begin(), digits.end());
}

// One root with kChildren children named Setting, the last one named Version.
std::u16string GenerateDocument() {
    std::u16string text = u"<config>\r\n";
    for (int i = 0; i + 1 < kChildren; ++i)
        text += u"  <Setting id=\"" + Number(i) + u"\">value " + Number(i) +
                u" &amp; more</Setting>\r\n";
    text += u"  <Version>1.2.3</Version>\r\n</config>\r\n";
    return text;
}

template <typename Step> double BestOf3(Step step) {
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        step();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

} // namespace

int main() {
    CXmlDoc doc(GenerateDocument());

    bool found = false;
    const double miss = BestOf3([&] {
        doc.RewindChildren();
        found = doc.LocateChild(u"Versio");
    });
    const double hit = BestOf3([&] {
        doc.RewindChildren();
        found = doc.LocateChild(u"Version");
    });
    const std::u16string version = doc.ReadChildText();

    size_t units = 0;
    const double read = BestOf3([&] {
        units = 0;
        doc.RewindChildren();
        while (doc.LocateChild(u""))
            units += doc.ReadChildText().size();
    });

    std::printf("children: %d\n", kChildren);
    std::printf("lookup of the last child: %.3f s, %.1f ns per child compared (found %s, %s)\n",
                hit, hit * 1e9 / kChildren, found ? "yes" : "no",
                version == u"1.2.3" ? "text right" : "text WRONG");
    std::printf("lookup of a missing name: %.3f s, %.1f ns per child compared\n", miss,
                miss * 1e9 / kChildren);
    std::printf("walk and read every child: %.3f s, %.1f ns per child (%zu units read)\n", read,
                read * 1e9 / kChildren, units);
    return found && version == u"1.2.3" ? 0 : 1;
}
