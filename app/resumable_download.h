#pragma once

#include "app/transfer.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// An interrupted download lies beside the package's path as PACKAGE.part, with the ETag (else
// the Last-Modified) of the response it came from in PACKAGE.part.etag.
inline constexpr std::string_view kPartialSuffix = ".part";
inline constexpr std::string_view kValidatorSuffix = ".part.etag";
// A partial file older than this is not resumed.
inline constexpr std::time_t kPartialLifetime = 7 * 24 * 60 * 60;

struct PartialPackage {
    bool present = false;
    uint64_t bytes = 0;
    std::string validator;  // empty when none was kept
    bool resumable = false; // young enough, within the limit, with a validator
};

// What lies at packagePath + ".part" at the time now; limit: the size the package may have.
PartialPackage InspectPartial(const std::string& packagePath, std::optional<uint64_t> limit,
                              std::time_t now);

// Downloads url to packagePath through its partial file. A resumable partial file is resumed
// with a Range request guarded by If-Range: a 206 appends to it, a 200 starts over; any other
// partial file is discarded first. Past limit bytes the transfer stops with a failure. An
// interrupted transfer keeps the partial file and its validator; a refused one (past the limit,
// out of room, range not satisfiable) discards them. The disk's reserve in folder stays free.
// True when the whole body arrived and lies at packagePath.
bool DownloadResuming(const CurlFunctions& curl, CURL* handle, const std::string& url,
                      const std::string& packagePath, const std::string& folder,
                      std::optional<uint64_t> limit, const TransferLimits& limits,
                      const std::string& caFile);
