// What telling whether an old version's folder is in use costs at start-up: one scan of /proc
// with the machine's processes, then with more processes added, beside lsof +D on the same
// folder in the same run.
#include "peer_comparison.h"
#include "platform/folder_in_use.h"

#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

int ProcessCount() {
    int count = 0;
    if (DIR* proc = opendir("/proc")) {
        while (const dirent* entry = readdir(proc))
            count += entry->d_name[0] >= '0' && entry->d_name[0] <= '9';
        closedir(proc);
    }
    return count;
}

void Measure(const std::string& folder) {
    bool inUse = true;
    const double ours = bench::BestOf5([&] { inUse = IsFolderInUse(folder); });
    const std::string lsof = "lsof -w +D '" + folder + "' > /dev/null 2>&1";
    const double peer = bench::BestOf5([&] { (void)!std::system(lsof.c_str()); });
    std::printf("  %5d processes: IsFolderInUse %8.2f ms (%s)   lsof +D %8.2f ms   "
                "project/peer time %5.2f\n",
                ProcessCount(), ours * 1e3, inUse ? "in use" : "not in use", peer * 1e3,
                ours / peer);
}

} // namespace

int main() {
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("in-use-bench-" + std::to_string(getpid())))
            .string();
    std::filesystem::create_directories(folder + "/data");
    std::printf("folder_in_use_bench: a scan for an unused folder (every process looked at)\n");
    std::vector<pid_t> children;
    for (const int more : {0, 200, 800}) {
        while (static_cast<int>(children.size()) < more) {
            const pid_t child = fork();
            if (child == 0) {
                pause();
                _exit(0);
            }
            if (child < 0)
                break;
            children.push_back(child);
        }
        Measure(folder);
    }
    for (const pid_t child : children) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
