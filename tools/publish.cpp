// publish SOURCE_FOLDER VERSION OUT_FOLDER
// publish --help | --version
// Writes OUT_FOLDER/VERSION.zip (the files of SOURCE_FOLDER beneath a top folder VERSION) and
// OUT_FOLDER/record.xml naming VERSION, the two files an update server offers.
#include <cstdio>
#include <string>

#include "app/folder_name.h"
#include "markup/escape.h"
#include "markup/xml_doc.h"
#include "platform/code_page.h"
#include "tools/info_option.h"
#include "tools/package_writer.h"

namespace {

constexpr const char* kUsage =
    "usage: publish SOURCE_FOLDER VERSION OUT_FOLDER\n"
    "Writes OUT_FOLDER/VERSION.zip (the files of SOURCE_FOLDER beneath a top folder VERSION)\n"
    "and OUT_FOLDER/record.xml naming VERSION: the two files an update server offers.\n"
    "Exit status: 0 published, 1 a file could not be written, 2 bad usage or version.\n";

std::u16string FromNative(const std::string& text) {
    const int length = static_cast<int>(text.size());
    std::u16string result(static_cast<size_t>(MultiByteToUtf16(CP_ACP, text.data(), length,
                                                                nullptr, 0)),
                          u'\0');
    MultiByteToUtf16(CP_ACP, text.data(), length, result.data(), static_cast<int>(result.size()));
    return result;
}

bool WriteRecord(const std::string& path, const std::u16string& version) {
    CXmlDoc record;
    record.SetText(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<record>\r\n<Version>" +
                   EscapeMarkup(version, 0) + u"</Version>\r\n</record>\r\n");
    // Read it back as the updater will before it goes out.
    if (!record.LocateChild(u"Version") || record.ReadChildText() != version)
        return false;
    return record.SaveFile(FromNative(path));
}

} // namespace

int main(int argc, char** argv) {
    if (AnswerInfoOption(argc, argv, "publish", kUsage))
        return 0;
    if (argc != 4) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string source = argv[1];
    const std::string version = argv[2];
    const std::string out = std::string(argv[3]) + "/";
    if (!IsSafeFolderName(FromNative(version))) {
        std::fprintf(stderr, "publish: \"%s\" cannot be a version: it must be a single folder name\n",
                     version.c_str());
        return 2;
    }
    std::string error;
    if (!WritePackage(source, version, out + version + ".zip", error)) {
        std::fprintf(stderr, "publish: %s\n", error.c_str());
        return 1;
    }
    if (!WriteRecord(out + "record.xml", FromNative(version))) {
        std::fprintf(stderr, "publish: %srecord.xml could not be written\n", out.c_str());
        return 1;
    }
    std::printf("published %s: %s%s.zip, %srecord.xml\n", version.c_str(), out.c_str(),
                version.c_str(), out.c_str());
    return 0;
}
