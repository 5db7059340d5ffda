#include "e2e_support.h"

#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <linux/ioprio.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// What the scheduler gives a process: its nice value and scheduling class from /proc/PID/stat,
// the class again from sched_getscheduler, and its I/O priority class.
struct Priority {
    int nice = 0;
    int statPolicy = -1;
    int policy = -1;
    int ioClass = -1;
};

std::ostream& operator<<(std::ostream& out, const Priority& p) {
    return out << "nice " << p.nice << ", class " << p.statPolicy << "/" << p.policy
               << ", I/O class " << p.ioClass;
}

Priority PriorityOf(pid_t pid) {
    Priority priority;
    const std::string stat = ReadFileBytes("/proc/" + std::to_string(pid) + "/stat");
    // The fields after the command name, which ends with the last ')', from field 3 on.
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));
    std::vector<std::string> values;
    for (std::string value; fields >> value;)
        values.push_back(value);
    if (values.size() > 38) {
        priority.nice = std::atoi(values[19 - 3].c_str());
        priority.statPolicy = std::atoi(values[41 - 3].c_str());
    }
    priority.policy = sched_getscheduler(pid);
    const long io = syscall(SYS_ioprio_get, IOPRIO_WHO_PROCESS, pid);
    priority.ioClass = io < 0 ? -1 : static_cast<int>(IOPRIO_PRIO_CLASS(io));
    return priority;
}

bool IsLowest(const Priority& p) {
    const bool idleClass = p.policy == SCHED_IDLE && p.statPolicy == SCHED_IDLE;
    return (idleClass || p.nice == 19) && p.ioClass == IOPRIO_CLASS_IDLE;
}

class Priorities : public EndToEndTest {};

TEST_F(Priorities, TheProgramRunsAtTheCallersPriorityAndTheTransferAtTheLowest) {
    const Priority caller = PriorityOf(getpid());
    ASSERT_FALSE(IsLowest(caller)) << caller;
    WriteConfig(ConfigText("1.0.0", "main", ""));
    // The main program tells its process number and stays until the test ends it.
    const std::string pidFile = Root() + "program.pid";
    WriteFileBytes(Inst() + "1.0.0/main",
                   "#!/bin/sh\necho $$ > '" + pidFile + ".new'\nmv '" + pidFile + ".new' '" +
                       pidFile + "'\nexec sleep 30\n",
                   0755);
    Publish("1.0.1");
    // The package stops after 100 bytes, until the stall limit abandons the transfer.
    StartServer({"--stall", "1.0.1.zip=100"});
    const Strings bothFetches = {"GET /record.xml", "GET /1.0.1.zip"};

    const StartedUpdater updater = StartUpdater("updater");
    for (int wait = 0; wait < 1000 && (ServerLog() != bothFetches || ReadFileBytes(pidFile).empty());
         ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(ServerLog(), bothFetches);
    const pid_t program = std::atoi(ReadFileBytes(pidFile).c_str());
    ASSERT_GT(program, 0);

    const Priority inTransfer = PriorityOf(updater.pid);
    const Priority started = PriorityOf(program);
    kill(program, SIGKILL);
    EXPECT_TRUE(IsLowest(inTransfer)) << inTransfer;
    EXPECT_EQ(started.nice, caller.nice) << started;
    EXPECT_EQ(started.statPolicy, caller.policy) << started;
    EXPECT_EQ(started.policy, caller.policy) << started;
    EXPECT_EQ(started.ioClass, caller.ioClass) << started;

    const UpdaterRun run = WaitForUpdater(updater);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 0);
}

} // namespace
