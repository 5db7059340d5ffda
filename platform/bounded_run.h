#pragma once

#include <string>
#include <vector>

// How a program run by RunBounded ended.
struct BoundedRunResult {
    bool started = false;  // the program could be executed
    bool ended = false;    // it ended within the time limit
    bool exited = false;   // it ended by itself, not by a signal
    int status = -1;       // its exit status when it exited
    std::string output;    // what it wrote to its standard output, at most maxOutput bytes
};

// Runs the program at path with argv = { path, arguments... }, standard input and error on
// /dev/null, in a process group of its own, and waits at most seconds for it to end; then the
// whole group is killed. Nothing the program starts outlives the limit.
BoundedRunResult RunBounded(const std::string& path, const std::vector<std::string>& arguments,
                            int seconds, size_t maxOutput = 64 * 1024);
