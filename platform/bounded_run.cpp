#include "platform/bounded_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The file actions and attributes of the child: output into the pipe, a group of its own.
class CSpawnSetup {
  public:
    CSpawnSetup(int outputFile) {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, outputFile, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    }
    ~CSpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    CSpawnSetup(const CSpawnSetup&) = delete;
    CSpawnSetup& operator=(const CSpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

// Reads the pipe until its writers close it or the deadline passes.
void ReadOutput(int pipeEnd, Clock::time_point deadline, size_t maxOutput, std::string& output) {
    char buffer[4096];
    for (int left = MillisecondsLeft(deadline); left > 0; left = MillisecondsLeft(deadline)) {
        pollfd ready{pipeEnd, POLLIN, 0};
        if (poll(&ready, 1, left) <= 0)
            return;
        const ssize_t got = read(pipeEnd, buffer, sizeof buffer);
        if (got <= 0)
            return;
        output.append(buffer, std::min(static_cast<size_t>(got), maxOutput - output.size()));
    }
}

// Waits until the child has ended or the deadline passed, leaving it unreaped so that its
// process group's id stays its own.
bool WaitUntilEnded(pid_t child, Clock::time_point deadline) {
    for (;;) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
            return false;
        if (info.si_pid == child)
            return true;
        if (MillisecondsLeft(deadline) == 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

BoundedRunResult RunBounded(const std::string& path, const std::vector<std::string>& arguments,
                            int seconds, size_t maxOutput) {
    BoundedRunResult result;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return result;
    std::vector<std::string> strings = {path};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : strings)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    pid_t child = -1;
    {
        CSpawnSetup setup(pipeEnds[1]);
        result.started = posix_spawn(&child, path.c_str(), &setup.actions, &setup.attributes,
                                     argv.data(), environ) == 0;
    }
    close(pipeEnds[1]);
    if (!result.started) {
        close(pipeEnds[0]);
        return result;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
    ReadOutput(pipeEnds[0], deadline, maxOutput, result.output);
    close(pipeEnds[0]);
    result.ended = WaitUntilEnded(child, deadline);
    // Whatever it started goes too; then the child is reaped.
    kill(-child, SIGKILL);
    int waitStatus = 0;
    waitpid(child, &waitStatus, 0);
    result.exited = result.ended && WIFEXITED(waitStatus);
    result.status = result.exited ? WEXITSTATUS(waitStatus) : -1;
    return result;
}
