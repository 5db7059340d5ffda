// Looks up children by name on a wide generated document and reads their text, with the
// project and with pugixml in the same run (pugixml holds the same document, parsed from
// UTF-8); prints the cost per child and the time ratios.
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <string>

#include "markup/xml_doc.h"
#include "peer_comparison.h"

namespace {

constexpr int kChildren = 1 << 20;

// One root with kChildren children named Setting, the last one named Version.
std::string GenerateDocument() {
    std::string text = "<config>\r\n";
    for (int i = 0; i + 1 < kChildren; ++i) {
        const std::string n = std::to_string(i);
        text += "  <Setting id=\"" + n + "\">value " + n + " &amp; more</Setting>\r\n";
    }
    text += "  <Version>1.2.3</Version>\r\n</config>\r\n";
    return text;
}

void PrintPerChild(const char* label, double seconds, double ours = 0) {
    std::printf("  %-44s %8.4f s %7.1f ns per child", label, seconds, seconds * 1e9 / kChildren);
    if (ours > 0)
        std::printf("   project/peer time %5.2f", ours / seconds);
    std::printf("\n");
}

} // namespace

int main() {
    const std::string utf8 = GenerateDocument();
    CXmlDoc doc(bench::Widen(utf8));
    pugi::xml_document peer;
    if (!peer.load_buffer(utf8.data(), utf8.size()))
        return 1;
    const pugi::xml_node root = peer.document_element();

    bool found = false;
    const double hit = bench::BestOf5([&] {
        doc.RewindChildren();
        found = doc.LocateChild(u"Version");
    });
    const std::u16string version = doc.ReadChildText();
    const double miss = bench::BestOf5([&] {
        doc.RewindChildren();
        found = !doc.LocateChild(u"Versio") && found;
    });
    const char* peerVersion = "";
    const double peerHit =
        bench::BestOf5([&] { peerVersion = root.child("Version").child_value(); });
    bool peerMissed = false;
    const double peerMiss = bench::BestOf5([&] { peerMissed = !root.child("Versio"); });

    size_t units = 0;
    const double read = bench::BestOf5([&] {
        units = 0;
        doc.RewindChildren();
        while (doc.LocateChild(u""))
            units += doc.ReadChildText().size();
    });
    size_t bytes = 0;
    const double peerRead = bench::BestOf5([&] {
        bytes = 0;
        for (const pugi::xml_node child : root.children())
            bytes += std::strlen(child.child_value());
    });

    const bool right = found && version == u"1.2.3" && std::strcmp(peerVersion, "1.2.3") == 0 &&
                       peerMissed && units == bytes;
    std::printf("children: %d, results %s\n", kChildren, right ? "right" : "WRONG");
    std::printf("lookup of the last child by name\n");
    PrintPerChild("project LocateChild", hit);
    PrintPerChild("pugixml child(name)", peerHit, hit);
    std::printf("lookup of a missing name\n");
    PrintPerChild("project LocateChild", miss);
    PrintPerChild("pugixml child(name)", peerMiss, miss);
    std::printf("walk every child and read its text\n");
    PrintPerChild("project LocateChild + ReadChildText", read);
    PrintPerChild("pugixml children() + child_value()", peerRead, read);
    return right ? 0 : 1;
}
