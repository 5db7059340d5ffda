// set_child FILE NAME [TEXT]
// Loads a markup file, looks up the root's first child element NAME and prints its text; with
// TEXT, replaces the child's text by TEXT and saves the file in the encoding it was read in.
#include "markup/xml_doc.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

std::u16string Utf16(const char* text) {
    return std::filesystem::path(text).u16string();
}

std::string Native(const std::u16string& text) {
    return std::filesystem::path(text).string();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fputs("usage: set_child FILE NAME [TEXT]\n", stderr);
        return 2;
    }
    const std::u16string file = Utf16(argv[1]);
    CXmlDoc doc;
    if (!doc.LoadFile(file)) {
        std::fprintf(stderr, "set_child: %s is missing or not well formed\n", argv[1]);
        return 2;
    }
    if (!doc.LocateChild(Utf16(argv[2]))) {
        std::fprintf(stderr, "set_child: the root has no child %s\n", argv[2]);
        return 1;
    }
    std::printf("%s\n", Native(doc.ReadChildText()).c_str());
    if (argc == 4 &&
        (!doc.ReplaceElementData(doc.childPos, Utf16(argv[3])) || !doc.SaveFile(file))) {
        std::fprintf(stderr, "set_child: %s could not be written\n", argv[1]);
        return 1;
    }
    return 0;
}
