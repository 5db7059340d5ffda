// Walks the children of one root on two generated documents, with the project and with
// pugixml in the same run (pugixml holds the same document, parsed from UTF-8), and prints the
// cost per child and the time ratios:
//   - the sibling walk: LocateChild by name until it fails, against first child by name and
//     next_sibling by name;
//   - the lookup of the last child by name, and of a missing name;
//   - the walk over every child reading its text, against children() and child_value().
// The empty-element document has 2^20 children <item/>; the wide one gives every child
// attributes and text with a reference.
#include <cstdio>
#include <cstring>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "markup/xml_doc.h"
#include "peer_comparison.h"

namespace {

constexpr int kChildren = 1 << 20;

// One root with kChildren children: all but the last made by child(i), the last <target>.
template <typename Child> std::string GenerateDocument(Child child) {
    std::string text = "<config>\r\n";
    for (int i = 0; i + 1 < kChildren; ++i)
        text += child(std::to_string(i));
    text += "  <target>1.2.3</target>\r\n</config>\r\n";
    return text;
}

std::string EmptyElements() {
    return GenerateDocument([](const std::string&) { return "<item/>"; });
}

std::string WideElements() {
    return GenerateDocument([](const std::string& n) {
        return "  <item id=\"" + n + "\" kind='setting'>value " + n + " &amp; more</item>\r\n";
    });
}

void PrintPerChild(const char* label, double seconds, double ours = 0) {
    std::printf("  %-44s %8.4f s %7.1f ns per child", label, seconds, seconds * 1e9 / kChildren);
    if (ours > 0)
        std::printf("   project/peer time %5.2f", ours / seconds);
    std::printf("\n");
}

bool Compare(const char* name, const std::string& utf8) {
    CXmlDoc doc(bench::Widen(utf8));
    pugi::xml_document peer;
    if (!peer.load_buffer(utf8.data(), utf8.size()))
        return false;
    const pugi::xml_node root = peer.document_element();

    int walked = 0;
    const double walk = bench::BestOf5([&] {
        walked = 0;
        doc.RewindChildren();
        while (doc.LocateChild(u"item"))
            ++walked;
    });
    // The same walk with the name's length counted once, not by each call's conversion of the
    // literal: what the call itself costs.
    constexpr std::u16string_view kItem = u"item";
    int walkedByView = 0;
    const double walkByView = bench::BestOf5([&] {
        walkedByView = 0;
        doc.RewindChildren();
        while (doc.LocateChild(kItem))
            ++walkedByView;
    });
    int peerWalked = 0;
    const double peerWalk = bench::BestOf5([&] {
        peerWalked = 0;
        for (pugi::xml_node n = root.child("item"); n; n = n.next_sibling("item"))
            ++peerWalked;
    });

    bool found = false;
    const double hit = bench::BestOf5([&] {
        doc.RewindChildren();
        found = doc.LocateChild(u"target");
    });
    const std::u16string target = doc.ReadChildText();
    const double miss = bench::BestOf5([&] {
        doc.RewindChildren();
        found = !doc.LocateChild(u"targe") && found;
    });
    const char* peerTarget = "";
    const double peerHit = bench::BestOf5([&] { peerTarget = root.child("target").child_value(); });
    bool peerMissed = false;
    const double peerMiss = bench::BestOf5([&] { peerMissed = !root.child("targe"); });

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

    const bool right = walked == kChildren - 1 && peerWalked == walked &&
                       walkedByView == walked && found &&
                       target == u"1.2.3" && std::strcmp(peerTarget, "1.2.3") == 0 &&
                       peerMissed && units == bytes;
    std::printf("%s: %d children, results %s\n", name, kChildren, right ? "right" : "WRONG");
    std::printf(" sibling walk by name\n");
    PrintPerChild("project LocateChild loop", walk);
    PrintPerChild("pugixml child(name) + next_sibling(name)", peerWalk, walk);
    PrintPerChild("project LocateChild loop, name as a view", walkByView);
    std::printf(" lookup of the last child by name\n");
    PrintPerChild("project LocateChild", hit);
    PrintPerChild("pugixml child(name)", peerHit, hit);
    std::printf(" lookup of a missing name\n");
    PrintPerChild("project LocateChild", miss);
    PrintPerChild("pugixml child(name)", peerMiss, miss);
    std::printf(" walk every child and read its text\n");
    PrintPerChild("project LocateChild + ReadChildText", read);
    PrintPerChild("pugixml children() + child_value()", peerRead, read);
    return right;
}

} // namespace

int main() {
    const bool empty = Compare("empty-element document", EmptyElements());
    const bool wide = Compare("wide document", WideElements());
    return empty && wide ? 0 : 1;
}
