#pragma once

#include <string>

class CXmlDoc;

// Compares the index of an edited document, element by element in document order, with
// the index a fresh parse of its text builds: start, length, both tag lengths, the flags
// ElemFirstChild, ElemUnended and ElemHasError, and the parent, child and sibling links
// (as places in document order). Levels and the document flags are left out. Returns an
// empty string when they agree, else the first difference.
std::string DifferenceFromReparse(const CXmlDoc& edited);
