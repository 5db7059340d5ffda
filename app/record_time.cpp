#include "app/record_time.h"

#include "markup/xml_doc.h"

#include <string>

namespace {

constexpr std::u16string_view kRecordTime = u"RecordTime";

} // namespace

RecordAge CheckRecordAge(const TrustedComment& comment, int64_t newestAccepted, int64_t now) {
    if (!comment.wellFormed)
        return RecordAge::Malformed;
    if (comment.expires && now > *comment.expires)
        return RecordAge::Expired;
    return comment.timestamp.value_or(0) < newestAccepted ? RecordAge::Older : RecordAge::Current;
}

int64_t ReadRecordTime(CXmlDoc& config) {
    config.RewindChildren();
    if (!config.LocateChild(kRecordTime))
        return 0;
    std::string digits;
    for (const char16_t c : config.ReadChildText())
        digits += c < 0x80 ? static_cast<char>(c) : '?';
    int64_t seconds = 0;
    return ParseDecimal(digits, seconds) ? seconds : 0;
}

bool RaiseRecordTime(CXmlDoc& config, int64_t seconds) {
    if (seconds <= ReadRecordTime(config))
        return false;
    const std::string digits = std::to_string(seconds);
    const std::u16string text(digits.begin(), digits.end());
    config.RewindChildren();
    if (config.LocateChild(kRecordTime))
        return config.ReplaceElementData(config.childPos, text);
    config.RewindChildren();
    int32_t last = 0;
    while (config.LocateChild(u""))
        last = config.childPos;
    config.childPos = last;
    return config.InsertElement(kRecordTime, text, INS_AS_CHILD);
}
