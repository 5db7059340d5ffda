#pragma once

#include <string>

class CXmlDoc;

// Checks the element index of doc: the sibling, parent, level and range invariants, that
// every record lies inside the text at a '<', and that every record handed out is linked
// exactly once. Returns an empty string when all hold, else a description of the first
// fault found.
std::string CheckIndexInvariants(const CXmlDoc& doc);
