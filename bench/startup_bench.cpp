// Time from the updater's start to the main program's start, against starting the main
// program directly. The main program is this executable itself, copied into a version folder
// as "main": started under that name it only records the time and ends.

#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
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

constexpr int kRounds = 40;

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

bool RunAndWait(const std::string& program) {
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid;
}

// Nanoseconds from starting program until the main program recorded its start, or -1.
long long StartDelay(const std::string& program, const fs::path& stamp) {
    fs::remove(stamp);
    const long long begin = NowNanoseconds();
    if (!RunAndWait(program))
        return -1;
    // The updater does not wait for the main program: wait a bounded time for its stamp.
    for (int attempt = 0; attempt < 5000; ++attempt) {
        std::ifstream in(stamp);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        if (!text.empty() && text.back() == '\n')
            return std::atoll(text.c_str()) - begin;
        usleep(1000);
    }
    return -1;
}

double Median(std::vector<long long> values) {
    std::sort(values.begin(), values.end());
    return static_cast<double>(values[values.size() / 2]);
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
    fs::copy_file(self, inst / "1.0.0" / "main");
    fs::copy_file(UPDATER_PATH, inst / "updater");
    // A version the default server will not find newer, and no LastVersion to remove.
    std::ofstream(inst / "config.xml")
        << "<Config><Version>1.0.0</Version><Exe>main</Exe></Config>\n";

    const fs::path stamp = inst / "1.0.0" / "started";
    std::vector<long long> direct;
    std::vector<long long> viaUpdater;
    for (int round = 0; round < kRounds; ++round) {
        const long long d = StartDelay((inst / "1.0.0" / "main").string(), stamp);
        const long long u = StartDelay((inst / "updater").string(), stamp);
        if (d < 0 || u < 0) {
            std::fprintf(stderr, "the main program did not start\n");
            fs::remove_all(inst);
            return 1;
        }
        direct.push_back(d);
        viaUpdater.push_back(u);
    }
    fs::remove_all(inst);

    const double directMs = Median(direct) / 1e6;
    const double updaterMs = Median(viaUpdater) / 1e6;
    std::printf("main program start, median of %d rounds:\n", kRounds);
    std::printf("  direct          %8.3f ms\n", directMs);
    std::printf("  through updater %8.3f ms\n", updaterMs);
    std::printf("  ratio           %8.2f\n", updaterMs / directMs);
    return 0;
}
