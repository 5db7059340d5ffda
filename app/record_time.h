#pragma once

#include "app/trusted_comment.h"

#include <cstdint>

class CXmlDoc;

// Whether a signed record may be used, judged by its trusted comment.
enum class RecordAge {
    Current,   // not older than the newest record accepted, and not expired
    Older,     // signed before the newest record this installation accepted: a replay
    Expired,   // past its expires: time
    Malformed, // a timestamp: or expires: that is not a number
};

// newestAccepted: config.xml's RecordTime; now: seconds since 1970. A record without a
// timestamp counts as signed at 0.
RecordAge CheckRecordAge(const TrustedComment& comment, int64_t newestAccepted, int64_t now);

// The root's child RecordTime: the newest record timestamp accepted; 0 when absent or not a
// number.
int64_t ReadRecordTime(CXmlDoc& config);

// Sets RecordTime to seconds when that is newer, adding the element after the root's last
// child when there is none. True when the document changed.
bool RaiseRecordTime(CXmlDoc& config, int64_t seconds);
