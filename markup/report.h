#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// AddReportEntry flags. The first of each column that is set names the attribute:
// text attribute RPT_TYPE, RPT_ENCODING, RPT_MSG, else "tagname";
// number attribute RPT_N, RPT_COUNT, RPT_LENGTH (written even when -1), else "offset".
inline constexpr uint32_t RPT_COUNT = 0x01;
inline constexpr uint32_t RPT_TYPE = 0x02;
inline constexpr uint32_t RPT_N = 0x04;
inline constexpr uint32_t RPT_ENCODING = 0x08;
inline constexpr uint32_t RPT_LENGTH = 0x10;
inline constexpr uint32_t RPT_UPDATE = 0x20; // set the attributes on the first entry of that name
inline constexpr uint32_t RPT_MSG = 0x40;

// A report holding this many characters or more takes no further entries.
inline constexpr size_t kReportLimit = 1000;

// Adds the entry <name text-attr="text" number-attr="number" offset2="number2"/> to report.
// An absent text and a number (without a number flag) or number2 of -1 are left out.
void AddReportEntry(std::u16string& report, std::u16string_view name,
                    std::optional<std::u16string_view> text, uint32_t flags, int32_t number,
                    int32_t number2);
