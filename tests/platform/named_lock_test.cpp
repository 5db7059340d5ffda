#include "platform/named_lock.h"

#include "platform/launch.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// A name of this test process's own, so that parallel runs do not meet.
std::string TestLockName(const std::string& suffix) {
    return "NamedLockTest-" + std::to_string(getpid()) + "-" + suffix;
}

TEST(NamedLock, OneHolderAtATime) {
    const std::string name = TestLockName("one");
    CNamedLock first;
    ASSERT_TRUE(first.Create(name));
    EXPECT_TRUE(first.IsHeld());
    EXPECT_FALSE(first.AlreadyExists());

    CNamedLock second;
    EXPECT_FALSE(second.Create(name));
    EXPECT_TRUE(second.AlreadyExists());
    EXPECT_FALSE(second.IsHeld());

    CNamedLock other;
    EXPECT_TRUE(other.Create(TestLockName("other")));

    first.Release();
    EXPECT_FALSE(first.IsHeld());
    first.Release();
    EXPECT_TRUE(second.Create(name));
    EXPECT_FALSE(second.AlreadyExists());
}

TEST(NamedLock, ReleasedWhenTheObjectEnds) {
    const std::string name = TestLockName("scope");
    {
        CNamedLock held;
        ASSERT_TRUE(held.Create(name));
    }
    CNamedLock again;
    EXPECT_TRUE(again.Create(name));
}

TEST(NamedLock, ReleasedWhenTheHolderIsKilled) {
    const std::string name = TestLockName("killed");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CNamedLock held;
        const char state = held.Create(name) ? 'y' : 'n';
        (void)!write(ready[1], &state, 1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char state = 0;
    ASSERT_EQ(read(ready[0], &state, 1), 1);
    close(ready[0]);
    ASSERT_EQ(state, 'y');

    CNamedLock mine;
    EXPECT_FALSE(mine.Create(name));
    EXPECT_TRUE(mine.AlreadyExists());

    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    EXPECT_TRUE(mine.Create(name));
}

TEST(NamedLock, NotInheritedByStartedPrograms) {
    TempFolder temp;
    const std::string program = temp.Path() + "lingering";
    const std::string started = temp.Path() + "started";
    ASSERT_TRUE(
        WriteTestFile(program, "#!/bin/sh\necho > '" + started + "'\nexec sleep 2\n", 0755));
    const std::string name = TestLockName("inherit");
    CNamedLock held;
    ASSERT_TRUE(held.Create(name));
    ASSERT_TRUE(LaunchProgram(program));
    ASSERT_TRUE(WaitForLine(started));
    held.Release();
    CNamedLock next;
    EXPECT_TRUE(next.Create(name));
}

TEST(NamedLock, HeldIsToldWithoutTakingTheLock) {
    const std::string name = TestLockName("probe");
    bool held = true;
    ASSERT_TRUE(IsNamedLockHeld(name, held));
    EXPECT_FALSE(held);

    CNamedLock holder;
    ASSERT_TRUE(holder.Create(name));
    ASSERT_TRUE(IsNamedLockHeld(name, held));
    EXPECT_TRUE(held);
    const std::vector<LockHolder> holders = NamedLockHolders(name);
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, getpid());
    EXPECT_FALSE(holders[0].program.empty());
    // A longer name with the same beginning is another lock.
    ASSERT_TRUE(IsNamedLockHeld(name + "-longer", held));
    EXPECT_FALSE(held);
    EXPECT_TRUE(NamedLockHolders(name + "-longer").empty());
    // The probe left the holder's lock in place.
    CNamedLock second;
    EXPECT_FALSE(second.Create(name));
    EXPECT_TRUE(second.AlreadyExists());
}

TEST(NamedLock, NamesThatCannotBeMadeAreNotHeldElsewhere) {
    CNamedLock lock;
    EXPECT_FALSE(lock.Create(std::string(200, 'x')));
    EXPECT_FALSE(lock.AlreadyExists());
    EXPECT_FALSE(lock.Create(""));
    EXPECT_FALSE(lock.AlreadyExists());
    EXPECT_FALSE(lock.IsHeld());
}

} // namespace
