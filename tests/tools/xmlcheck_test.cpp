#include "run_tool.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

RunResult RunXmlcheck(const std::string& arguments) {
    return RunTool(std::string(XMLCHECK_PATH) + " " + arguments);
}

class XmlcheckTest : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = "/tmp/xmlcheck_test_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }
    void TearDown() override { EXPECT_EQ(std::system(("rm -rf '" + m_folder + "'").c_str()), 0); }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = m_folder + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string m_folder;
};

struct StatusCase {
    const char* name;
    std::string bytes;
    int status;
    std::string summary; // file: line omitted
};

TEST_F(XmlcheckTest, PrintsEncodingModeReportAndVerdict) {
    const StatusCase cases[] = {
        {"sound UTF-8", "<config><Version>1</Version></config>", 0,
         "encoding: UTF-8\nmode: 0x00 (no bits set: no byte-order mark, names compared exactly)\n"
         "report: <read encoding=\"UTF-8\" length=\"37\"/>"
         "<converted_to encoding=\"UTF-16\" length=\"37\"/>\nsound: yes\n"},
        {"UTF-8 with mark", "\xEF\xBB\xBF<a>\xC3\xA9</a>", 0,
         "encoding: UTF-8\nmode: 0x04 ModeUtf8Bom (UTF-8 with a byte-order mark, saved with it "
         "again)\nreport: <bom/><read encoding=\"UTF-8\" "
         "length=\"9\"/><converted_to encoding=\"UTF-16\" length=\"8\"/>\nsound: yes\n"},
        {"declared KOI8-R", "<?xml version=\"1.0\" encoding=\"KOI8-R\"?><a>\xF0</a>", 0,
         "encoding: KOI8-R\nmode: 0x00 (no bits set: no byte-order mark, names compared exactly)\n"
         "report: <read encoding=\"KOI8-R\" length=\"47\"/>"
         "<converted_to encoding=\"UTF-16\" length=\"47\"/>\nsound: yes\n"},
        {"empty file", "", 1,
         "encoding: (none declared: the locale's, UTF-8)\nmode: 0x00 (no bits set: no byte-order "
         "mark, names compared exactly)\nreport: <read encoding=\"\" "
         "length=\"0\"/>\nsound: no\n"},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write("f.xml", c.bytes);
        const RunResult run = RunXmlcheck("'" + path + "'");
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.output, "file: " + path + "\n" + c.summary);
    }
}

TEST_F(XmlcheckTest, IllFormedDocumentIsNotSound) {
    const std::string path = Write("bad.xml", "<config><Version>1</config>");
    const RunResult run = RunXmlcheck("'" + path + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("\nsound: no\n"), std::string::npos) << run.output;
    // The parse's own entries follow the file's.
    const std::string fileEntries = "<converted_to encoding=\"UTF-16\" length=\"27\"/>";
    const size_t at = run.output.find(fileEntries);
    ASSERT_NE(at, std::string::npos) << run.output;
    EXPECT_EQ(run.output[at + fileEntries.size()], '<') << run.output;
}

TEST_F(XmlcheckTest, OffsetsComeWithLineAndColumn) {
    const std::string path = Write("lines.xml", "<c>\r\n<a>\n\xC3\xA9</b></c>");
    const RunResult run = RunXmlcheck("'" + path + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("\nat: lone_end_tag at offset 10 (line 3, column 2)\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("\nat: unended_start_tag at offset 5 (line 2, column 1), 15 (line 3, "
                              "column 7)\n"),
              std::string::npos)
        << run.output;
}

TEST_F(XmlcheckTest, BytesThatDoNotDecodeAreNotSound) {
    const struct {
        const char* name;
        std::string bytes;
        int status;
        std::string verdict;
    } cases[] = {
        {"invalid UTF-8", "<c>\xFF\xFE ok\xC3</c>", 1,
         "sound: no (3 characters could not be decoded and became U+FFFD)\n"},
        {"U+FFFD written in the file", "<c>\xEF\xBF\xBD</c>", 0, "sound: yes\n"},
        {"U+FFFD in UTF-16LE", std::string("\xFF\xFE<\0c\0>\0\xFD\xFF<\0/\0c\0>\0", 18), 0,
         "sound: yes\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RunResult run = RunXmlcheck("'" + Write("f.xml", c.bytes) + "'");
        EXPECT_EQ(run.status, c.status);
        EXPECT_NE(run.output.find("\n" + c.verdict), std::string::npos) << run.output;
    }
}

TEST_F(XmlcheckTest, UnreadableFileAndBadUsageGiveTwo) {
    const RunResult missing = RunXmlcheck("'" + m_folder + "/missing.xml'");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(
        missing.output.find("report: <file_error msg=\"No such file or directory\" n=\"2\"/>"),
        std::string::npos)
        << missing.output;
    EXPECT_NE(missing.output.find("sound: no (the file could not be read)"), std::string::npos);

    EXPECT_EQ(RunXmlcheck("").status, 2);
    EXPECT_EQ(RunXmlcheck("--tree").status, 2);
    EXPECT_EQ(RunXmlcheck("--list a.xml").status, 2);
    EXPECT_EQ(RunXmlcheck("a.xml b.xml").status, 2);
}

TEST_F(XmlcheckTest, TreeListsEveryElementInDocumentOrder) {
    const std::string path = Write(
        "t.xml", "<config><Version>1.2\t3</Version><Exe a=\"1\">x&amp;y\\z</Exe><Empty/></config>");
    const RunResult run = RunXmlcheck("--tree '" + path + "'");
    EXPECT_EQ(run.status, 0);
    const std::string listing = run.output.substr(run.output.find("elements:\n"));
    EXPECT_EQ(listing, "elements:\n"
                       "level\tname\toffset\tlength\tstart tag\tend tag\tflags\ttext (of a leaf)\n"
                       "0\tconfig\t0\t75\t8\t9\tElemFirstChild\n"
                       "1\tVersion\t8\t24\t9\t10\tElemFirstChild\t1.2\\t3\n"
                       "1\tExe\t32\t26\t11\t6\t-\tx&y\\\\z\n"
                       "1\tEmpty\t58\t8\t8\t0\t-\t\n");
}

TEST_F(XmlcheckTest, TreeShowsErrorFlagsAndCrLfEscapes) {
    const std::string path = Write("u.xml", "<a>\r\n<b>line\r\nnext</b><c>");
    const RunResult run = RunXmlcheck("--tree '" + path + "'");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("\tb\t5\t"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\tline\\r\\nnext\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("ElemUnended"), std::string::npos) << run.output;
}

} // namespace
