#include "platform/hard_link.h"

#include <fcntl.h>
#include <unistd.h>

bool CreateHardLink(std::string existing, std::string path) {
    return linkat(AT_FDCWD, existing.c_str(), AT_FDCWD, path.c_str(), 0) == 0;
}
