#pragma once

#include "app/package_pin.h"

#include <string>
#include <vector>

class CXmlDoc;

// A delta that a signed record offers, pinned as its package is: the record's element
// <Delta from="OLD_VERSION" name="NEW.from-OLD.zip" size="BYTES" blake2b="HEX"/> beside Version.
struct DeltaPin {
    std::u16string fromVersion;
    std::string name;
    PackagePin pin;
};

// The record's Delta elements that can be read, in order; others are passed over.
std::vector<DeltaPin> ReadDeltaPins(CXmlDoc& record);

// The element that publish writes into a record.
std::u16string DeltaPinElement(const DeltaPin& delta);
