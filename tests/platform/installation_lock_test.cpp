#include "platform/installation_lock.h"

#include "platform/launch.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

// The exit status of body run in a child process, or -1 when it did not end normally.
int InChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Becomes the user nobody, without root's groups; false when that fails.
bool BecomeNobody() {
    const passwd* nobody = getpwnam("nobody");
    return nobody && setgroups(0, nullptr) == 0 && setgid(nobody->pw_gid) == 0 &&
           setuid(nobody->pw_uid) == 0;
}

// 0 taken, 1 held elsewhere, 2 not taken for another reason.
int TryLock(const std::string& folder) {
    CInstallationLock lock;
    return lock.Create(folder) ? 0 : lock.AlreadyExists() ? 1 : 2;
}

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 ? status.st_mode : 0;
}

TEST(InstallationLock, OneHolderAtATimeForEachFolder) {
    TempFolder temp;
    const std::string lockFile = temp.Path() + kInstallationLockName;
    CInstallationLock first;
    ASSERT_TRUE(first.Create(temp.Path()));
    EXPECT_TRUE(first.IsHeld());
    EXPECT_EQ(ModeOf(lockFile), S_IFREG | 0600);
    // flock locks belong to the open file, so a second taker in this process is refused too.
    EXPECT_EQ(TryLock(temp.Path()), 1);
    EXPECT_EQ(InChild([&] { return TryLock(temp.Path()); }), 1);

    TempFolder other;
    EXPECT_EQ(TryLock(other.Path()), 0);

    first.Release();
    EXPECT_FALSE(first.IsHeld());
    EXPECT_EQ(ModeOf(lockFile), 0u) << "the file goes with the lock";
    first.Release();
    EXPECT_EQ(InChild([&] { return TryLock(temp.Path()); }), 0);
    EXPECT_EQ(TryLock(temp.Path() + "missing/"), 2);
}

TEST(InstallationLock, ReleasedWhenTheHolderIsKilled) {
    TempFolder temp;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CInstallationLock held;
        const char state = held.Create(temp.Path()) ? 'y' : 'n';
        (void)!write(ready[1], &state, 1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char state = 0;
    ASSERT_EQ(read(ready[0], &state, 1), 1);
    close(ready[0]);
    ASSERT_EQ(state, 'y');
    EXPECT_EQ(TryLock(temp.Path()), 1);

    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    // The file the killed holder left is taken over.
    EXPECT_EQ(ModeOf(temp.Path() + kInstallationLockName), S_IFREG | 0600);
    EXPECT_EQ(TryLock(temp.Path()), 0);
}

TEST(InstallationLock, NotInheritedByStartedPrograms) {
    TempFolder temp;
    const std::string program = temp.Path() + "lingering";
    const std::string started = temp.Path() + "started";
    ASSERT_TRUE(
        WriteTestFile(program, "#!/bin/sh\necho > '" + started + "'\nexec sleep 2\n", 0755));
    CInstallationLock held;
    ASSERT_TRUE(held.Create(temp.Path()));
    ASSERT_TRUE(LaunchProgram(program));
    ASSERT_TRUE(WaitForLine(started));
    held.Release();
    EXPECT_EQ(TryLock(temp.Path()), 0);
}

TEST(InstallationLock, AnotherUserCanNeitherTakeNorHoldIt) {
    TempFolder temp;
    ASSERT_EQ(chmod(temp.Path().c_str(), 0755), 0);
    const auto asNobody = [&] { return BecomeNobody() ? TryLock(temp.Path()) : 3; };
    // Neither creating the file nor, once it is there, opening it to lock it.
    EXPECT_EQ(InChild(asNobody), 2);
    CInstallationLock held;
    ASSERT_TRUE(held.Create(temp.Path()));
    EXPECT_EQ(InChild(asNobody), 2);
    held.Release();
    const int left = InChild([&] {
        CInstallationLock killed;
        if (!killed.Create(temp.Path()))
            return 1;
        _exit(0); // ends without Release, as a killed holder does
    });
    ASSERT_EQ(left, 0);
    EXPECT_EQ(InChild(asNobody), 2);
    EXPECT_EQ(TryLock(temp.Path()), 0);
}

TEST(InstallationLock, FileAccessFollowsWhoMayWriteTheFolder) {
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    struct Case {
        mode_t folderMode;
        bool nobodysFolder;
        mode_t fileMode;
    };
    for (const Case& c : {Case{0755, false, 0600}, Case{0775, false, 0660}, Case{0755, true, 0600},
                          Case{0770, true, 0660}}) {
        SCOPED_TRACE(std::to_string(c.folderMode) + (c.nobodysFolder ? " nobody's" : ""));
        TempFolder temp;
        ASSERT_EQ(chmod(temp.Path().c_str(), c.folderMode), 0);
        if (c.nobodysFolder) {
            ASSERT_EQ(chown(temp.Path().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
        }
        const mode_t mask = umask(0);
        CInstallationLock held;
        ASSERT_TRUE(held.Create(temp.Path()));
        umask(mask);
        struct stat file {};
        ASSERT_EQ(lstat((temp.Path() + kInstallationLockName).c_str(), &file), 0);
        EXPECT_EQ(file.st_mode & 07777, c.fileMode);
        EXPECT_EQ(file.st_uid, c.nobodysFolder ? nobody->pw_uid : 0u);
        EXPECT_EQ(file.st_gid, c.nobodysFolder ? nobody->pw_gid : 0u);
    }
}

TEST(InstallationLock, RefusesALinkOrAnythingButARegularFile) {
    TempFolder temp;
    const std::string lockFile = temp.Path() + kInstallationLockName;
    const std::string target = temp.Path() + "target";
    ASSERT_TRUE(WriteTestFile(target, "keep", 0644));
    const std::vector<std::function<int()>> makers = {
        [&] { return symlink(target.c_str(), lockFile.c_str()); },
        [&] { return symlink((temp.Path() + "missing").c_str(), lockFile.c_str()); },
        [&] { return mkfifo(lockFile.c_str(), 0600); },
        [&] { return mkdir(lockFile.c_str(), 0700); },
    };
    for (size_t i = 0; i < makers.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(makers[i](), 0);
        EXPECT_EQ(TryLock(temp.Path()), 2);
        std::vector<LockHolder> holders;
        EXPECT_FALSE(FindInstallationLockHolders(temp.Path(), holders));
        ASSERT_EQ(remove(lockFile.c_str()), 0);
    }
    EXPECT_EQ(ReadTestFile(target), "keep");
    EXPECT_EQ(ModeOf(temp.Path() + "missing"), 0u);
}

TEST(InstallationLock, HoldersAreToldWithoutTakingTheLock) {
    TempFolder temp;
    const std::string lockFile = temp.Path() + kInstallationLockName;
    std::vector<LockHolder> holders = {LockHolder{}};
    ASSERT_TRUE(FindInstallationLockHolders(temp.Path(), holders));
    EXPECT_TRUE(holders.empty());
    EXPECT_EQ(ModeOf(lockFile), 0u) << "the probe creates no file";

    CInstallationLock holder;
    ASSERT_TRUE(holder.Create(temp.Path()));
    ASSERT_TRUE(FindInstallationLockHolders(temp.Path(), holders));
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, getpid());
    EXPECT_FALSE(holders[0].program.empty());
    EXPECT_EQ(TryLock(temp.Path()), 1) << "the probe left the lock in place";

    // A file of the same name that no one locks, in another folder, has no holder.
    TempFolder other;
    ASSERT_TRUE(WriteTestFile(other.Path() + kInstallationLockName, "", 0600));
    ASSERT_TRUE(FindInstallationLockHolders(other.Path(), holders));
    EXPECT_TRUE(holders.empty());
}

// The lock lives on the file, so a process in another network namespace, as in a container
// that shares the folder, is excluded as well.
TEST(InstallationLock, ReachesAcrossNetworkNamespaces) {
    TempFolder temp;
    const std::string command =
        "unshare -n flock -n -E 7 '" + temp.Path() + kInstallationLockName + "' true";
    CInstallationLock held;
    ASSERT_TRUE(held.Create(temp.Path()));
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 7);
    held.Release();
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
}

} // namespace
