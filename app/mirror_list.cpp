#include "app/mirror_list.h"

#include <algorithm>

std::vector<std::string> SplitBaseUrls(const std::string& text) {
    std::vector<std::string> bases;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find(' ', start), text.size());
        if (end > start)
            bases.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return bases;
}

std::vector<std::string> StartingWith(const std::vector<std::string>& bases,
                                      const std::string& first) {
    std::vector<std::string> ordered = {first};
    for (const std::string& base : bases)
        if (base != first)
            ordered.push_back(base);
    return ordered;
}
