#pragma once

#include <string>

struct RunResult {
    int status; // exit status, -1 when the command did not end normally
    std::string output; // standard output; standard error is dropped
};

// Runs a shell command line.
RunResult RunTool(const std::string& command);
