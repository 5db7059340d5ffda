#pragma once

#include "delta/file_hash.h"

#include <ctime>
#include <map>
#include <string>

inline Blake2bFunctions LinkedBlake2b() {
    return {crypto_generichash_init, crypto_generichash_update, crypto_generichash_final};
}

// Writes a file, making its folders; mode and time as given.
void PutFile(const std::string& path, const std::string& bytes, unsigned mode = 0644,
             std::time_t time = 1700000000);
std::string FileBytes(const std::string& path);
// Everything beneath a folder by relative path: kind, mode, time and bytes or link target
// (folders without their times, which the files made in them change).
std::map<std::string, std::string> TreeOf(const std::string& folder);
