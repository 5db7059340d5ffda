#pragma once

#include <cstddef>
#include <string_view>

// Character entities of HTML 4.01 plus apos, 253 rows in 130 buckets. A folded (lowercase) name
// lies in the bucket given by the sum of its code units modulo the bucket count. A bucket is its
// rows packed one after another: one digit for the name's length, four for the code point, then
// the name ("50945alpha"). Names that two entities share apart from case have two rows, the
// capitalised entity's first.
inline constexpr size_t kEntityBucketCount = 130;

std::u16string_view EntityBucket(size_t index);

size_t EntityBucketIndex(std::u16string_view foldedName);

// Code point of the entity with the folded name, or 0 when there is none. For a name with two
// rows, capitalised selects the capitalised entity's row, otherwise the all-lowercase one's.
char32_t LookupEntity(std::u16string_view foldedName, bool capitalised);
