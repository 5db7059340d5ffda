// xmlcheck: loads a markup file as the updater loads config.xml and tells whether it is
// sound, and why not.
//
//   xmlcheck FILE          encoding found, mode bits, result report, verdict
//   xmlcheck --tree FILE   the same, then one line per element
//   xmlcheck --help | --version
//
// Exit status: 0 sound, 1 not sound, 2 the file could not be read (or bad usage).
#include "check_report.h"
#include "element_listing.h"
#include "platform/code_page.h"
#include "platform/mapped_file.h"
#include "tools/info_option.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::u16string PathFromArgument(const char* argument) {
    const auto length = static_cast<int>(std::strlen(argument));
    std::u16string path(static_cast<size_t>(length), u'\0');
    path.resize(
        static_cast<size_t>(MultiByteToUtf16(CP_ACP, argument, length, path.data(), length)));
    return path;
}

constexpr const char* kUsage =
    "usage: xmlcheck [--tree] FILE\n"
    "Loads FILE as the updater loads config.xml and prints the encoding found, the mode bits,\n"
    "the result report with the line and column of each offset it names, and whether the\n"
    "document is sound (well formed, and every byte decoded); --tree also lists the elements.\n"
    "Exit status: 0 sound, 1 not sound, 2 unreadable or bad usage.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return kExitUnreadable;
}

} // namespace

int main(int argc, char** argv) {
    if (AnswerInfoOption(argc, argv, "xmlcheck", kUsage))
        return 0;
    bool tree = false;
    const char* file = nullptr;
    if (argc == 2) {
        file = argv[1];
    } else if (argc == 3 && std::strcmp(argv[1], "--tree") == 0) {
        tree = true;
        file = argv[2];
    } else {
        return Usage();
    }

    CXmlDoc doc;
    const bool loaded = doc.LoadFile(PathFromArgument(file));
    int status = CheckStatus(doc, loaded);
    // A file that decodes only with replacements does not hold what it was meant to.
    CMappedFile bytes;
    const size_t replaced =
        status == kExitSound && bytes.Open(file) ? ReplacedCharacters(doc, bytes.Bytes()) : 0;
    if (replaced != 0)
        status = kExitNotSound;
    std::string out = "file: " + std::string(file) + "\n" + CheckSummary(doc, status, replaced);
    if (tree && status != kExitUnreadable)
        out += "elements:\n" + ElementListing(doc);
    std::fputs(out.c_str(), stdout);
    return status;
}
