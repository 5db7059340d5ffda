#pragma once

#include "app/delta_pin.h"

#include <string>
#include <vector>

// One --delta-from OLD_SOURCE_FOLDER OLD_VERSION of publish's command line.
struct DeltaFrom {
    std::string source;
    std::string version;
};

// Takes every --delta-from and its two arguments out of arguments; false, with error, when one
// lacks its arguments or names a version that cannot be one or is given twice.
bool TakeDeltaOptions(std::vector<std::string>& arguments, std::vector<DeltaFrom>& deltas,
                      std::string& error);

// Writes OUT_FOLDER/VERSION.from-OLD.zip for each delta, from its old source to source, and
// pins each; false, with error, when one cannot be written.
bool WriteDeltas(const std::vector<DeltaFrom>& deltas, const std::string& source,
                 const std::string& version, const std::string& out, std::vector<DeltaPin>& pins,
                 std::string& error);
