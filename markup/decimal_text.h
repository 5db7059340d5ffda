#pragma once

#include <cstdint>
#include <string>

// The number in signed decimal, as "%d" writes it.
std::u16string DecimalText(int32_t number);
