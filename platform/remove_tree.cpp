#include "platform/remove_tree.h"

#include <filesystem>
#include <system_error>

bool RemoveTree(std::string path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
    return !error;
}
