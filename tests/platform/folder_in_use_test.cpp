#include "platform/folder_in_use.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// A child that does one thing with the folder, then waits to be killed; the pid once it is
// done, -1 when it failed.
pid_t StartUser(const std::function<bool()>& use) {
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        const char state = use() ? 'y' : 'n';
        (void)!write(ready[1], &state, 1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char state = 0;
    const bool done = child > 0 && read(ready[0], &state, 1) == 1 && state == 'y';
    close(ready[0]);
    if (child > 0 && !done) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    return done ? child : -1;
}

void Stop(pid_t child) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

TEST(FolderInUse, TellsEachWayAProcessUsesTheFolder) {
    TempFolder temp;
    const std::string folder = temp.Path() + "0.9.0";
    const std::string data = folder + "/data";
    std::filesystem::create_directories(folder + "/sub");
    ASSERT_TRUE(WriteTestFile(data, std::string(4096, 'd')));
    // A sibling whose name begins like the folder's.
    std::filesystem::create_directory(folder + "x");
    ASSERT_TRUE(WriteTestFile(folder + "x/data", "x"));

    struct Case {
        const char* name;
        std::function<bool()> use;
        bool inUse;
    };
    const std::vector<Case> cases = {
        {"working folder", [&] { return chdir((folder + "/sub").c_str()) == 0; }, true},
        {"open file", [&] { return open(data.c_str(), O_RDONLY) >= 0; }, true},
        {"mapped file",
         [&] {
             const int file = open(data.c_str(), O_RDONLY);
             const bool mapped =
                 file >= 0 && mmap(nullptr, 4096, PROT_READ, MAP_SHARED, file, 0) != MAP_FAILED;
             return close(file) == 0 && mapped;
         },
         true},
        {"root folder", [&] { return chroot(folder.c_str()) == 0; }, true},
        {"open file in the sibling",
         [&] { return open((folder + "x/data").c_str(), O_RDONLY) >= 0; }, false},
        {"working folder above", [&] { return chdir(temp.Path().c_str()) == 0; }, false},
    };
    EXPECT_FALSE(IsFolderInUse(folder));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const pid_t user = StartUser(c.use);
        ASSERT_GT(user, 0);
        EXPECT_EQ(IsFolderInUse(folder), c.inUse);
        EXPECT_EQ(IsFolderInUse(folder + "/"), c.inUse);
        Stop(user);
    }
    EXPECT_FALSE(IsFolderInUse(folder));
    // What cannot be resolved is not known to be unused.
    EXPECT_TRUE(IsFolderInUse(temp.Path() + "missing"));
}

TEST(FolderInUse, TellsAProgramRunningFromTheFolder) {
    TempFolder temp;
    const std::string program = temp.Path() + "bin/sleep";
    std::filesystem::create_directory(temp.Path() + "bin");
    std::filesystem::copy_file("/bin/sleep", program);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Nothing else of the test's stays open in the folder.
        execl(program.c_str(), program.c_str(), "5", nullptr);
        _exit(127);
    }
    const std::string exe = "/proc/" + std::to_string(child) + "/exe";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::error_code error;
    while (std::filesystem::read_symlink(exe, error).string() != program &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_TRUE(IsFolderInUse(temp.Path() + "bin"));
    Stop(child);
    EXPECT_FALSE(IsFolderInUse(temp.Path() + "bin"));
}

} // namespace
