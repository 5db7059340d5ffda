// Time from a start to the main program's start: directly, through the least a launcher can do
// (spawn and exit) and through the updater; on a quiet machine, with one core busy and with
// every core busy. The main program is this executable itself, copied into a version folder as
// "main": started under that name it only records the time and ends. The three starts and the
// three conditions take turns in every round, so that other load on the machine meets them all.

#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 150;
// Time for freshly started busy loops to take their cores.
constexpr useconds_t kSettleMicroseconds = 20000;

long long NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// As the main program: the start time goes into "started" beside the executable.
int RecordStart(const std::string& self) {
    const long long now = NowNanoseconds();
    std::ofstream(fs::path(self).parent_path() / "started") << now << "\n";
    return 0;
}

// Processes that keep one core each busy while they live; they end with this process too.
class BusyLoops {
  public:
    explicit BusyLoops(int count) {
        const pid_t parent = getpid();
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid == 0) {
                prctl(PR_SET_PDEATHSIG, SIGKILL);
                if (getppid() != parent)
                    _exit(0);
                volatile unsigned long spin = 0;
                for (;;)
                    spin = spin + 1;
            }
            if (pid > 0)
                m_pids.push_back(pid);
        }
        if (count > 0)
            usleep(kSettleMicroseconds);
    }
    ~BusyLoops() {
        for (const pid_t pid : m_pids) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    BusyLoops(const BusyLoops&) = delete;
    BusyLoops& operator=(const BusyLoops&) = delete;

  private:
    std::vector<pid_t> m_pids;
};

struct Start {
    const char* name;
    std::vector<std::string> argv;
};

struct Condition {
    std::string name;
    int busyCores;
};

// Nanoseconds from starting argv until the main program recorded its start, with busyCores
// cores kept busy meanwhile; -1 when it did not start.
long long StartDelay(std::vector<std::string> argv, const fs::path& stamp, int busyCores) {
    std::vector<char*> args;
    for (std::string& arg : argv)
        args.push_back(arg.data());
    args.push_back(nullptr);
    fs::remove(stamp);
    long long delay = -1;
    pid_t pid = 0;
    {
        BusyLoops busy(busyCores);
        const long long begin = NowNanoseconds();
        if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
            return -1;
        // A launcher does not wait for the main program: look for its stamp a bounded time.
        for (int attempt = 0; attempt < 5000 && delay < 0; ++attempt) {
            std::ifstream in(stamp);
            const std::string text((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
            if (!text.empty() && text.back() == '\n')
                delay = std::atoll(text.c_str()) - begin;
            else
                usleep(1000);
        }
    }
    // Waited for without the load: the updater's own work gives way to it.
    waitpid(pid, nullptr, 0);
    return delay;
}

double MedianMs(std::vector<long long> values) {
    std::sort(values.begin(), values.end());
    return static_cast<double>(values[values.size() / 2]) / 1e6;
}

int CoreCount() {
    cpu_set_t cores;
    if (sched_getaffinity(0, sizeof cores, &cores) != 0)
        return 1;
    return std::max(1, CPU_COUNT(&cores));
}

} // namespace

int main(int, char** argv) {
    const std::string self = fs::canonical("/proc/self/exe").string();
    if (fs::path(argv[0]).filename() == "main")
        return RecordStart(self);

    char pattern[] = "/tmp/startup-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path inst = pattern;
    fs::create_directories(inst / "1.0.0");
    const std::string program = (inst / "1.0.0" / "main").string();
    fs::copy_file(self, program);
    fs::copy_file(UPDATER_PATH, inst / "updater");
    // A version the default server will not find newer, and no LastVersion to remove.
    std::ofstream(inst / "config.xml")
        << "<Config><Version>1.0.0</Version><Exe>main</Exe></Config>\n";

    const std::array<Start, 3> starts = {{{"direct", {program}},
                                          {"launcher", {LAUNCHER_PATH, program}},
                                          {"updater", {(inst / "updater").string()}}}};
    const int cores = CoreCount();
    const std::array<Condition, 3> conditions = {
        {{"quiet", 0}, {"one core busy", 1}, {"all " + std::to_string(cores) + " busy", cores}}};
    const fs::path stamp = inst / "1.0.0" / "started";
    // delays[condition][start]
    std::array<std::array<std::vector<long long>, 3>, 3> delays;
    for (int round = 0; round < kRounds; ++round) {
        for (size_t c = 0; c < conditions.size(); ++c) {
            for (size_t turn = 0; turn < starts.size(); ++turn) {
                // Each start goes first in every third round.
                const size_t s = (turn + static_cast<size_t>(round)) % starts.size();
                const long long delay = StartDelay(starts[s].argv, stamp, conditions[c].busyCores);
                if (delay < 0) {
                    std::fprintf(stderr, "the main program did not start (%s, %s)\n",
                                 starts[s].name, conditions[c].name.c_str());
                    fs::remove_all(inst);
                    return 1;
                }
                delays[c][s].push_back(delay);
            }
        }
    }
    fs::remove_all(inst);

    std::printf("main program start, median of %d interleaved rounds, %d cores:\n", kRounds,
                cores);
    std::printf("  %-14s %10s %10s %10s %16s %15s %17s\n", "", "direct", "launcher", "updater",
                "launcher/direct", "updater/direct", "updater/launcher");
    for (size_t c = 0; c < conditions.size(); ++c) {
        const double direct = MedianMs(delays[c][0]);
        const double launcher = MedianMs(delays[c][1]);
        const double updater = MedianMs(delays[c][2]);
        std::printf("  %-14s %7.3f ms %7.3f ms %7.3f ms %16.2f %15.2f %17.2f\n",
                    conditions[c].name.c_str(), direct, launcher, updater, launcher / direct,
                    updater / direct, updater / launcher);
    }
    return 0;
}
