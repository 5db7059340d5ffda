#include "markup/decimal_text.h"

#include <string>

std::u16string DecimalText(int32_t number) {
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}
