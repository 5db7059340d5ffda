#pragma once

#include <string>
#include <vector>

// The base URLs of the update server and its mirrors, written one after another separated by
// spaces.
std::vector<std::string> SplitBaseUrls(const std::string& text);

// bases with first moved to the front, the others in their order.
std::vector<std::string> StartingWith(const std::vector<std::string>& bases,
                                      const std::string& first);
