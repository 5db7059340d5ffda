#include "platform/bounded_run.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

namespace {

struct BoundedCase {
    const char* what;
    std::string script; // empty: the program file is not written at all
    unsigned mode;
    bool started, ended, exited;
    int status;
    std::string output;
};

TEST(RunBounded, Outcomes) {
    const std::vector<BoundedCase> cases = {
        {"output and status", "#!/bin/sh\necho \"$1\"; exit 3\n", 0755, true, true, true, 3,
         "argument\n"},
        {"a signal", "#!/bin/sh\nkill -9 $$\n", 0755, true, true, false, -1, ""},
        {"not executable", "#!/bin/sh\nexit 0\n", 0644, false, false, false, -1, ""},
        {"not a program", "plain text\n", 0755, false, false, false, -1, ""},
        {"missing", "", 0755, false, false, false, -1, ""},
        {"past the limit", "#!/bin/sh\necho early\nexec sleep 30\n", 0755, true, false, false, -1,
         "early\n"},
        {"output closed, still running", "#!/bin/sh\nexec >&-\nexec sleep 30\n", 0755, true,
         false, false, -1, ""},
        {"bounded output", "#!/bin/sh\nprintf '%05000d' 0\n", 0755, true, true, true, 0,
         std::string(100, '0')},
    };
    for (const BoundedCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder temp;
        const std::string program = temp.Path() + "program";
        if (!c.script.empty()) {
            ASSERT_TRUE(WriteTestFile(program, c.script, c.mode));
        }
        const BoundedRunResult result = RunBounded(program, {"argument"}, 1, 100);
        EXPECT_EQ(result.started, c.started);
        EXPECT_EQ(result.ended, c.ended);
        EXPECT_EQ(result.exited, c.exited);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.output, c.output);
    }
}

// What the program started in its group goes with it at the limit.
TEST(RunBounded, KillsTheProgramsGroup) {
    TempFolder temp;
    const std::string program = temp.Path() + "program";
    ASSERT_TRUE(WriteTestFile(program, "#!/bin/sh\nsleep 30 &\necho $!\nwait\n", 0755));
    const BoundedRunResult result = RunBounded(program, {}, 1);
    ASSERT_FALSE(result.ended);
    const pid_t grandchild = std::stoi(result.output);
    // Killed: no such process within a moment, or one that is dead and not yet reaped.
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        const std::string stat = ReadTestFile("/proc/" + std::to_string(grandchild) + "/stat");
        const size_t state = stat.rfind(')');
        gone = stat.empty() || (state + 2 < stat.size() && stat[state + 2] == 'Z');
        if (!gone)
            usleep(10000);
    }
    EXPECT_TRUE(gone);
}

} // namespace
