#pragma once

#include <string>

// Makes path a second name of the file at existing (a link there is not followed); false when
// the file system cannot, for example across file systems.
bool CreateHardLink(std::string existing, std::string path);
