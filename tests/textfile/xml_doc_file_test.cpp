#include "markup/mode_flags.h"
#include "markup/xml_doc.h"

#include "file_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SampleFile {
    const char* name;
    std::u16string text;  // what the file holds, as the document should read it
    std::string encoding; // for the iconv command
    std::string mark;     // put before iconv's output
    uint32_t flags;       // encoding bit the load sets
    std::u16string readEncoding;
};

const SampleFile kSamples[] = {
    {"UTF-8",
     u"<?xml version=\"1.0\"?>\r\n<config><Name>Gr\u00FC\u00DFe \u4E2D\u6587 "
     u"\u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600</Name></config>\r\n",
     "UTF-8", "", 0, u"UTF-8"},
    {"UTF-8 with mark", u"<config>\n\t<Name>\u00E9t\u00E9 \u65E5\u672C</Name>\n</config>\n",
     "UTF-8", "\xEF\xBB\xBF", ModeUtf8Bom, u"UTF-8"},
    {"UTF-16LE with mark",
     u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><config><Name>\u4E2D\u6587 "
     u"\U0001F600</Name></config>",
     "UTF-16LE", "\xFF\xFE", ModeUtf16LE, u"UTF-16LE"},
    {"UTF-16BE with mark", u"<config><Name>\u0416\u0443\u043A \u00E9</Name></config>", "UTF-16BE",
     "\xFE\xFF", ModeUtf16BE, u"UTF-16BE"},
    {"GB2312",
     u"<?xml version=\"1.0\" "
     u"encoding=\"GB2312\"?>\r\n<config><Name>\u4E2D\u6587\u6D4B\u8BD5</Name></config>",
     "GB2312", "", 0, u"GB2312"},
    {"Shift_JIS",
     u"<?xml version=\"1.0\" "
     u"encoding=\"Shift_JIS\"?><config><Name>\u65E5\u672C\u8A9E\u30C6\u30AD\u30B9\u30C8</Name></"
     u"config>",
     "SHIFT_JIS", "", 0, u"Shift_JIS"},
    {"windows-1252",
     u"<?xml version=\"1.0\" encoding=\"windows-1252\"?><config><Name>Gr\u00FC\u00DFe caf\u00E9 "
     u"\u20AC</Name></config>",
     "WINDOWS-1252", "", 0, u"windows-1252"},
    {"KOI8-R",
     u"<?xml version=\"1.0\" "
     u"encoding=\"KOI8-R\"?><config><Name>\u041F\u0440\u0438\u0432\u0435\u0442 "
     u"\u043C\u0438\u0440</Name></config>",
     "KOI8-R", "", 0, u"KOI8-R"},
    {"HTML meta charset",
     u"<!DOCTYPE html>\n<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
     u"charset=windows-1251\"/></head><body>\u041C\u0438\u0440</body></html>\n",
     "WINDOWS-1251", "", 0, u"windows-1251"},
};

TEST(XmlDocFile, RealFilesLoadAndSaveUnchanged) {
    const TempFolder folder;
    for (const SampleFile& sample : kSamples) {
        SCOPED_TRACE(sample.name);
        const std::string bytes = sample.mark + IconvFromUtf16(sample.text, sample.encoding);
        ASSERT_GT(bytes.size(), sample.mark.size());
        WriteBytes(folder.Path("in.xml"), bytes);

        CXmlDoc doc;
        EXPECT_TRUE(doc.LoadFile(folder.Path16("in.xml"))) << Narrow(doc.report);
        EXPECT_EQ(Narrow(doc.text), Narrow(sample.text));
        EXPECT_EQ(doc.modeFlags, sample.flags);
        const std::u16string readEntry = u"<read encoding=\"" + sample.readEncoding + u"\"";
        EXPECT_NE(doc.report.find(readEntry), std::u16string::npos) << Narrow(doc.report);
        EXPECT_NE(doc.elements[0].firstChild, 0);

        EXPECT_TRUE(doc.SaveFile(folder.Path16("out.xml"))) << Narrow(doc.report);
        EXPECT_EQ(ReadBytes(folder.Path("out.xml")), bytes);
        EXPECT_TRUE(doc.SaveFile(folder.Path16("in.xml")));
        EXPECT_EQ(ReadBytes(folder.Path("in.xml")), bytes);
        EXPECT_EQ(doc.modeFlags, sample.flags);
    }
}

TEST(XmlDocFile, FailedLoadLeavesAnEmptyConsistentDocument) {
    const TempFolder folder;
    CXmlDoc doc(u"<a><b/></a>");
    doc.modeFlags |= ModeUtf16BE;
    EXPECT_FALSE(doc.LoadFile(folder.Path16("missing.xml")));
    EXPECT_EQ(Narrow(doc.text), "");
    EXPECT_EQ(doc.elements[0].firstChild, 0);
    EXPECT_EQ(doc.elements[0].length, 0);
    EXPECT_EQ(Narrow(doc.report), "<file_error msg=\"No such file or directory\" n=\"2\"/>");
    EXPECT_EQ(doc.modeFlags, ModeUtf16BE);
}

TEST(XmlDocFile, LoadResultIsTheParseResult) {
    const TempFolder folder;
    WriteBytes(folder.Path("bad.xml"), "<a><b></a>");
    CXmlDoc doc;
    EXPECT_FALSE(doc.LoadFile(folder.Path16("bad.xml")));
    EXPECT_EQ(Narrow(doc.text), "<a><b></a>");
    const std::u16string fileEntries = u"<read encoding=\"UTF-8\" length=\"10\"/><converted_to "
                                       u"encoding=\"UTF-16\" length=\"10\"/>";
    EXPECT_EQ(doc.report.substr(0, fileEntries.size()), fileEntries) << Narrow(doc.report);
    EXPECT_GT(doc.report.size(), fileEntries.size()) << "the parse adds its entries";
}

TEST(XmlDocFile, FileAttachedModesRefuseLoadAndSave) {
    const TempFolder folder;
    WriteBytes(folder.Path("f.xml"), "<a/>");
    for (const uint32_t mode : {ModeReadFile, ModeWriteFile}) {
        CXmlDoc doc(u"<b/>");
        doc.modeFlags |= mode;
        EXPECT_FALSE(doc.LoadFile(folder.Path16("f.xml")));
        EXPECT_FALSE(doc.SaveFile(folder.Path16("f.xml")));
        EXPECT_EQ(Narrow(doc.text), "<b/>");
        EXPECT_EQ(ReadBytes(folder.Path("f.xml")), "<a/>");
    }
}

TEST(XmlDocFile, SaveToAMissingFolderKeepsTheDocument) {
    const TempFolder folder;
    CXmlDoc doc(u"<a>x</a>");
    doc.modeFlags = ModeUtf8Bom;
    EXPECT_FALSE(doc.SaveFile(folder.Path16("none/f.xml")));
    EXPECT_EQ(Narrow(doc.text), "<a>x</a>");
    EXPECT_EQ(doc.modeFlags, ModeUtf8Bom);
    EXPECT_EQ(Narrow(doc.report), "<file_error msg=\"No such file or directory\" n=\"2\"/>");
}

TEST(XmlDocFile, SaveSubstitutesALastCharacterTheEncodingCannotRepresent) {
    const TempFolder folder;
    const std::u16string head = u"<?xml version=\"1.0\" encoding=\"EUC-JP\"?><a/>";
    for (const std::u16string tail : {u"\uFFFD", u"a\u0E01"}) {
        CXmlDoc doc(head + tail);
        EXPECT_TRUE(doc.SaveFile(folder.Path16("f.xml"))) << Narrow(doc.report);
        EXPECT_NE(doc.report.find(u"<conversion_loss/>"), std::u16string::npos);
        const std::string bytes = ReadBytes(folder.Path("f.xml"));
        EXPECT_EQ(bytes.back(), '?');
        EXPECT_EQ(bytes.size(), head.size() + tail.size());
    }
}

TEST(XmlDocFile, LoadingAnEmptyFileClearsTheEncodingBits) {
    const TempFolder folder;
    WriteBytes(folder.Path("be.xml"), std::string("\xFE\xFF\0<\0a\0/\0>", 10));
    WriteBytes(folder.Path("empty.xml"), "");
    CXmlDoc doc;
    ASSERT_TRUE(doc.LoadFile(folder.Path16("be.xml")));
    ASSERT_EQ(doc.modeFlags, ModeUtf16BE);
    doc.LoadFile(folder.Path16("empty.xml"));
    EXPECT_EQ(doc.modeFlags, 0u);
    ASSERT_TRUE(doc.SetText(u"<b/>"));
    EXPECT_TRUE(doc.SaveFile(folder.Path16("out.xml")));
    EXPECT_EQ(ReadBytes(folder.Path("out.xml")), "<b/>");
}

TEST(XmlDocFile, LeadingByteOrderMarkCharacterSurvivesSaveAndLoad) {
    const TempFolder folder;
    CXmlDoc doc;
    doc.SetText(u"\uFEFF<a/>");
    ASSERT_TRUE(doc.SaveFile(folder.Path16("f.xml")));
    EXPECT_EQ(ReadBytes(folder.Path("f.xml")), "\xEF\xBB\xBF\xEF\xBB\xBF<a/>");
    ASSERT_TRUE(doc.LoadFile(folder.Path16("f.xml")));
    EXPECT_EQ(Narrow(doc.text), Narrow(u"\uFEFF<a/>"));
}

// A document loaded from a file, then made unsaveable in its encoding: the save fails and
// the file on disk stays byte-identical.
TEST(XmlDocFile, RefusedSaveAfterLoadKeepsTheFile) {
    const TempFolder folder;
    const std::string original =
        "<?xml version=\"1.0\"?>\r\n<config><Version>1.2.3</Version></config>\r\n";
    WriteBytes(folder.Path("config.xml"), original);
    CXmlDoc doc;
    ASSERT_TRUE(doc.LoadFile(folder.Path16("config.xml")));
    ASSERT_TRUE(doc.SetText(u"<?xml version=\"1.0\" encoding=\"x-mac-korean\"?><config/>"));
    EXPECT_FALSE(doc.SaveFile(folder.Path16("config.xml")));
    EXPECT_NE(doc.report.find(u"<file_error msg=\"Invalid argument\" n=\"22\"/>"),
              std::u16string::npos)
        << Narrow(doc.report);
    EXPECT_EQ(ReadBytes(folder.Path("config.xml")), original);
    EXPECT_EQ(FolderListing(folder.Path("")), "config.xml");
}

} // namespace
