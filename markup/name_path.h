#pragma once

#include <cstdint>
#include <string_view>

// XmlNamePath::pathKind values.
inline constexpr int32_t PathInvalid = -1;
inline constexpr int32_t PathAnyElement = 0; // name absent or empty
inline constexpr int32_t PathRelative = 1;
inline constexpr int32_t PathAbsolute = 2; // begins with "/"
inline constexpr int32_t PathAnywhere = 3; // begins with "//"

// The name argument of a lookup: a tag name, optionally followed by one predicate per step,
// further steps and a final attribute step. Only the syntax is checked; matching uses the
// first step's name alone.
struct XmlNamePath {
    int32_t pathKind = PathInvalid;
    std::u16string_view path; // not owned; ends at its end or its first zero unit
    int32_t index = 0;        // scan position; after a successful check, the first step's name
    int32_t attrIndex = 0;    // attribute name of a final attribute step, 0 if none
    int32_t valueLength = 0;  // length of the last predicate value read

    explicit XmlNamePath(std::u16string_view name) : path(name) {}

    // Sets pathKind and validates the name; an invalid one gets PathInvalid.
    bool CheckSyntax();
    // The part of the name the first step's tag name is compared with.
    std::u16string_view FirstStep() const { return path.substr(static_cast<size_t>(index)); }

  private:
    char16_t At(int32_t i) const;
    void SkipName();
    bool ReadPredicate();
    bool ReadValue();
    bool ReadStep();
    bool Fail();
};
