#pragma once

#include <string>

// Whether path names a program that can be started from folder's tree: after every link is
// followed it is a regular file with an execute bit, and it lies inside folder.
bool IsProgramWithin(const std::string& path, const std::string& folder);

// What lies at a path that is to be started, links followed.
struct ProgramFileState {
    bool exists = false;
    bool regularFile = false;
    bool executable = false; // this process may execute it
};

ProgramFileState InspectProgramFile(const std::string& path);
