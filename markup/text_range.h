#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Replaces oldLength units of target at offset by replacement, in place. When the new
// length exceeds the allocated capacity, the buffer grows to the new length plus half
// of it plus 128 units. A range reaching outside target is cut to target. replacement
// must not point into target.
void ReplaceTextRange(std::u16string& target, int32_t offset, int32_t oldLength,
                      std::u16string_view replacement);
