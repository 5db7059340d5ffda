/* The least a launcher can do, for the start-up benchmark: start argv[1] with the arguments
   after it and end without waiting. */
#include <spawn.h>
#include <sys/types.h>

extern char** environ;

int main(int argc, char** argv) {
    pid_t pid;
    if (argc < 2)
        return 2;
    return posix_spawn(&pid, argv[1], 0, 0, argv + 1, environ) == 0 ? 0 : 1;
}
