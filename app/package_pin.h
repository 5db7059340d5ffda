#pragma once

#include "app/signature.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CXmlDoc;

// The package a signed record names: its size and BLAKE2b-512 hash. The record's element
// <Package size="BYTES" blake2b="128 LOWER-CASE HEX DIGITS"/> beside Version carries them.
struct PackagePin {
    uint64_t size = 0;
    std::array<unsigned char, crypto_generichash_BYTES_MAX> blake2b{};
};

enum class PinState {
    Absent,    // no Package element: the package's own signature is required
    Pinned,    // the package must have this size and hash
    Malformed, // a Package element whose attributes cannot be read: nothing is downloaded
};

// Reads the root's child Package of a record.
PinState ReadPackagePin(CXmlDoc& record, PackagePin& pin);
// Reads the size and blake2b attributes of a record's element.
PinState ReadPinAttributes(const CXmlDoc& record, int32_t element, PackagePin& pin);
// An attribute's value, every character beyond ASCII as "?"; none when the element has none.
std::optional<std::string> ReadAsciiAttribute(const CXmlDoc& doc, int32_t element,
                                              std::u16string_view name);

// The element that publish writes into a record.
std::u16string PackagePinElement(const PackagePin& pin);

std::string LowerHex(const unsigned char* bytes, size_t size);

// Whether bytes have the pinned size and hash.
bool MatchesPin(const SodiumFunctions& sodium, const PackagePin& pin, std::string_view bytes);
