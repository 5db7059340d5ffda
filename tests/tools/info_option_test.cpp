#include "run_tool.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Tool {
    const char* name;
    const char* path;
};

TEST(InfoOptionTest, HelpAndVersionAnsweredAloneWithStatusZero) {
    for (const Tool& tool : {Tool{"xmlcheck", XMLCHECK_PATH}, Tool{"publish", PUBLISH_TOOL}}) {
        SCOPED_TRACE(tool.name);
        const std::string program = tool.path;
        const RunResult version = RunTool(program + " --version");
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.output, std::string(tool.name) + " " + PROJECT_VERSION + "\n");
        const RunResult help = RunTool(program + " --help");
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.output.rfind(std::string("usage: ") + tool.name + " ", 0), 0u)
            << help.output;
        // Beside other arguments they are no options: bad usage.
        EXPECT_EQ(RunTool(program + " --help --version").status, 2);
    }
}

} // namespace
