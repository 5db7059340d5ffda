#include "tools/info_option.h"

#include <cstdio>
#include <cstring>

bool AnswerInfoOption(int argc, char** argv, const char* program, const char* usage) {
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usage, stdout);
        return true;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("%s %s\n", program, PROJECT_VERSION);
        return true;
    }
    return false;
}
