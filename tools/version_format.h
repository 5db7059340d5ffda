#pragma once

#include <string>

// Whether text begins with the version format the updater compares: three decimal numbers
// (each within the signed 32-bit range) separated by dots. rest is what follows them, which the
// updater ignores.
bool StartsWithVersionNumbers(const std::string& text, std::string& rest);
